#include "support/files.hpp"

#include "test_environment.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

using checker::FileHandle;
using test::thrown_message;

namespace {

TEST(FileHandlePosix, ReadErrorQuotesTheRuntimeText) {
    test::TempDir dir;
    FileHandle file = checker::open_file(dir.path(), "r", 100); // a directory opens, reads fail
    char buffer[8];
    EXPECT_EQ(file.read(buffer, sizeof buffer), FileHandle::kReadError);
    EXPECT_EQ(file.errors(), "'read' error: [" + std::string(std::strerror(EISDIR)) +
                                 "], filepath: [" + dir.path() + "]");
}

TEST(UserdataDir, FollowsXdgDataHomeAndCreatesIt) {
    test::TempDir dir;
    const std::string data_home = dir.file("deep/data/");
    test::ScopedEnv env("XDG_DATA_HOME", data_home);
    EXPECT_EQ(checker::get_userdata_dir(), dir.file("deep/data/"));
    EXPECT_TRUE(std::filesystem::is_directory(data_home));
}

TEST(UserdataDir, FallsBackToHomeWhenXdgIsRelativeOrUnset) {
    test::TempDir dir;
    test::ScopedEnv home("HOME", dir.path());
    for (const std::optional<std::string>& xdg :
         {std::optional<std::string>("relative/dir"), std::optional<std::string>()}) {
        test::ScopedEnv env("XDG_DATA_HOME", xdg);
        EXPECT_EQ(checker::get_userdata_dir(), dir.path() + "/.local/share/");
    }
}

TEST(UserdataDir, NoUsableVariableFails) {
    test::ScopedEnv xdg("XDG_DATA_HOME", std::nullopt);
    test::ScopedEnv home("HOME", std::nullopt);
    EXPECT_EQ(thrown_message([] { checker::get_userdata_dir(); }), "Error getting userdata dir");
}

TEST(UserdataDir, UncreatableFails) {
    test::TempDir dir;
    test::write_file(dir.file("file"), "");
    test::ScopedEnv xdg("XDG_DATA_HOME", dir.file("file/data"));
    EXPECT_EQ(thrown_message([] { checker::get_userdata_dir(); }), "Error getting userdata dir");
}

TEST(ExecutablePath, NamesTheRunningProgram) {
    const std::string path = checker::current_executable_path();
    EXPECT_EQ(path.substr(checker::strip_filename(path).size()), "support_tests");
    EXPECT_EQ(path.front(), '/');
}

} // namespace
