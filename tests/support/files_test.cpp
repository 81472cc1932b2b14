#include "support/files.hpp"

#include "support/errors.hpp"
#include "test_environment.hpp"
#include "test_platform.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

using checker::FileHandle;
using test::system_error_text;
using test::thrown_message;

namespace {

class FileHandleTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string path = dir.file("data.txt");
};

TEST_F(FileHandleTest, NullStreamIsRefused) {
    EXPECT_EQ(thrown_message([] { FileHandle("x", nullptr, 0); }), "Invalid 'null' FILE specified");
}

TEST_F(FileHandleTest, FileOfExactlyTheLimitReadsWhole) {
    test::write_file(path, "0123456789");
    FileHandle file = checker::open_file(path, "r", 10);
    char buffer[16];
    EXPECT_EQ(file.read(buffer, sizeof buffer), 10u);
    EXPECT_EQ(std::string(buffer, 10), "0123456789");
    EXPECT_EQ(file.read(buffer, sizeof buffer), 0u); // at end of file: nothing touched
    EXPECT_EQ(file.errors(), "");
}

TEST_F(FileHandleTest, ReadPassingTheLimitFailsEveryTime) {
    test::write_file(path, "0123456789ABCDEF");
    FileHandle file = checker::open_file(path, "r", 9);
    char buffer[4];
    EXPECT_EQ(file.read(buffer, 4), 4u);
    EXPECT_EQ(file.read(buffer, 4), 4u);
    EXPECT_EQ(file.read(buffer, 4), FileHandle::kReadError);
    EXPECT_EQ(file.read(buffer, 4), FileHandle::kReadError);
    const std::string once = "Read limit exceeded: [9], filepath: [" + path + "]";
    EXPECT_EQ(file.errors(), once + "\n" + once);
}

TEST_F(FileHandleTest, NullBuffersAreRecorded) {
    test::write_file(path, "x");
    FileHandle reader = checker::open_file(path, "r", 10);
    EXPECT_EQ(reader.read(nullptr, 1), FileHandle::kReadError);
    EXPECT_EQ(reader.errors(), "'null' buffer specified for 'read', filepath: [" + path + "]");

    FileHandle writer = checker::open_file(dir.file("out"), "w", 0);
    EXPECT_EQ(writer.write("", 0), 0);
    EXPECT_EQ(writer.write(nullptr, 1), -1);
    EXPECT_EQ(writer.errors(),
              "'null' buffer specified for 'write', filepath: [" + dir.file("out") + "]");
}

TEST_F(FileHandleTest, CallbacksRefuseNullHandles) {
    char buffer[1];
    EXPECT_EQ(checker::file_read_callback(buffer, 1, nullptr), FileHandle::kReadError);
    EXPECT_EQ(checker::file_write_callback("x", 1, nullptr), -1);
}

TEST(OpenFile, MissingDirectoryQuotesPathModeAndSystemText) {
    test::TempDir dir;
    const std::string path = dir.file("absent/version.json");
    EXPECT_EQ(thrown_message([&] { checker::open_file(path, "r", 1); }),
              "Cannot open file: [" + path + "], with mode: [r], error: [" +
                  system_error_text(test::platform::path_not_found_code()) + "]");
}

TEST(OpenFile, WriteModeCreatesAndEmpties) {
    test::TempDir dir;
    const std::string path = dir.file("f");
    test::write_file(path, "old content");
    {
        FileHandle file = checker::open_file(path, "w", 0);
        EXPECT_EQ(file.write("new", 3), 0);
    }
    EXPECT_EQ(test::read_file(path), "new");
}

TEST(Directories, CreateExistsAndDelete) {
    test::TempDir dir;
    const std::string sub = dir.file("sub");
    checker::create_directory(sub);
    checker::create_directory(sub); // existing is fine
    EXPECT_FALSE(checker::file_exists(sub)) << "a directory is not a file";

    test::write_file(sub + "/keep", "x");
    EXPECT_TRUE(checker::file_exists(sub + "/keep"));
    checker::delete_directory(sub); // not empty: stays, nothing reported
    EXPECT_TRUE(checker::file_exists(sub + "/keep"));

    checker::delete_file(sub + "/keep");
    checker::delete_file(sub + "/keep"); // missing: ignored
    EXPECT_FALSE(checker::file_exists(sub + "/keep"));
    checker::delete_directory(sub);
    EXPECT_EQ(test::list_directory(dir.path()), "");
}

TEST(Directories, CreateWithoutParentFails) {
    test::TempDir dir;
    const std::string path = dir.file("a/b");
    EXPECT_EQ(thrown_message([&] { checker::create_directory(path); }),
              "Error getting creating dir, path: [" + path + "], error: [" +
                  system_error_text(test::platform::path_not_found_code()) + "]");
}

TEST(Directories, ExistingFileCountsAsExisting) {
    test::TempDir dir;
    test::write_file(dir.file("taken"), "");
    EXPECT_NO_THROW(checker::create_directory(dir.file("taken")));
}

TEST(StripFilename, KeepsTheLastSeparator) {
    const std::pair<std::string, std::string> cases[] = {
        {"name", "name"},
        {"C:\\a\\b.exe", "C:\\a\\"},
        {"x/y/", "x/y/"},
        {"/usr/bin/checker", "/usr/bin/"},
        {"C:/a\\b/c.exe", "C:/a\\b/"},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(checker::strip_filename(path), expected) << path;
    }
}

TEST(CurrentDatetime, HasTheFixedLayout) {
    const std::string now = checker::current_datetime();
    ASSERT_EQ(now.size(), 19u) << now;
    const std::string shape = "dddd-dd-dd_dd:dd:dd";
    for (std::size_t i = 0; i < shape.size(); ++i) {
        if (shape[i] == 'd') {
            EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(now[i]))) << now;
        } else {
            EXPECT_EQ(now[i], shape[i]) << now;
        }
    }
}

TEST(ProcessId, IsOurs) {
    EXPECT_EQ(checker::current_process_id(), test::platform::own_process_id());
}

TEST(ReplacementFile, TargetChangesOnlyWhenReplaced) {
    test::TempDir dir;
    const std::string target = dir.file("target");
    test::write_file(target, "old");
    {
        checker::ReplacementFile abandoned(target);
        EXPECT_EQ(abandoned.handle().write("half", 4), 0);
        EXPECT_EQ(abandoned.handle().path(), target) << "messages name the target";
    }
    EXPECT_EQ(test::read_file(target), "old");
    EXPECT_EQ(test::list_directory(dir.path()), "target") << "the temporary file is gone";
    {
        checker::ReplacementFile written(target);
        EXPECT_EQ(written.handle().write("new", 3), 0);
        EXPECT_TRUE(written.handle().commit());
        written.replace_target();
    }
    EXPECT_EQ(test::read_file(target), "new");
    EXPECT_EQ(test::list_directory(dir.path()), "target");
}

} // namespace
