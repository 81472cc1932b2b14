#include "support/files.hpp"

#include "test_environment.hpp"
#include "test_platform.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>

using test::system_error_text;
using test::thrown_message;

namespace {

// The known folder is the one Windows also announces to programs as %LOCALAPPDATA%.
TEST(UserdataDir, IsTheLocalAppDataFolderWithForwardSlashes) {
    const std::string dir = checker::get_userdata_dir();
    EXPECT_EQ(dir.find('\\'), std::string::npos) << dir;
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    EXPECT_NE(dir.substr(dir.size() - 2), "//") << dir;
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::u8path(dir))) << dir;

    const auto local_app_data = test::platform::get_env("LOCALAPPDATA");
    ASSERT_TRUE(local_app_data.has_value());
    std::string expected = *local_app_data + "/";
    std::replace(expected.begin(), expected.end(), '\\', '/');
    EXPECT_EQ(dir, expected);
}

TEST(ExecutablePath, NamesTheRunningProgramWithBackslashes) {
    const std::string path = checker::current_executable_path();
    const std::string dir = checker::strip_filename(path);
    EXPECT_EQ(path.substr(dir.size()), "support_tests.exe");
    ASSERT_GE(path.size(), 3u);
    EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(path[0]))) << path;
    EXPECT_EQ(path.substr(1, 2), ":\\") << path;
    EXPECT_EQ(path.find('/'), std::string::npos) << path;
}

TEST(OpenFileWin32, DirectoryRefusesToOpenWithAccessDenied) {
    test::TempDir dir;
    EXPECT_EQ(thrown_message([&] { checker::open_file(dir.path(), "r", 100); }),
              "Cannot open file: [" + dir.path() + "], with mode: [r], error: [" +
                  system_error_text(5) + "]"); // ERROR_ACCESS_DENIED
}

TEST(OpenFileWin32, MissingDirectoryQuotesPathNotFound) {
    test::TempDir dir;
    const std::string path = dir.file("absent/version.json");
    EXPECT_EQ(thrown_message([&] { checker::open_file(path, "w", 0); }),
              "Cannot open file: [" + path + "], with mode: [w], error: [" + system_error_text(3) +
                  "]"); // ERROR_PATH_NOT_FOUND
}

} // namespace
