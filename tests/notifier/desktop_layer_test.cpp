// The parts of the Linux desktop layer that need no notification server: the lock file, the
// compiled string table, the picture files, the windows and their queue, the dialog's link, the
// command line, and an add without a session bus.
#include "notifier/desktop_platform-posix.hpp"
#include "notifier/dialogs-posix.hpp"
#include "notifier/lock_file-posix.hpp"
#include "notifier/message_pump-posix.hpp"
#include "notifier/resource_files-posix.hpp"
#include "notifier/shell_constants.hpp"
#include "notifier/string_table-posix.hpp"
#include "support/encoding.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace notifier;

const std::string kResources = NOTIFIER_RESOURCE_DIR;

TEST(LockFile, HeldLockReadsAsAlreadyExistsUntilItsHandleCloses) {
    test::TempDir runtime;
    test::ScopedEnv env("XDG_RUNTIME_DIR", runtime.path());
    std::uint32_t first_error = 99;
    std::uint32_t second_error = 99;

    auto first = open_lock_file("instance-name", first_error);
    auto second = open_lock_file("instance-name", second_error);

    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr) << "the second handle is returned as CreateMutexW returns one";
    EXPECT_EQ(first_error, 0u);
    EXPECT_EQ(second_error, static_cast<std::uint32_t>(EEXIST));
    EXPECT_TRUE(test::file_exists(runtime.path() + "/instance-name.lock"));

    first.reset();
    second.reset();
    std::uint32_t third_error = 99;
    auto third = open_lock_file("instance-name", third_error);
    EXPECT_EQ(third_error, 0u);

    std::uint32_t other_error = 99;
    auto other = open_lock_file("another-name", other_error);
    EXPECT_EQ(other_error, 0u) << "names are independent";
}

TEST(LockFile, PathFallsBackToTheTemporaryDirectoryWithTheUserId) {
    test::TempDir runtime;
    const std::string fallback =
        (std::filesystem::temp_directory_path() / ("a_b-" + std::to_string(::getuid()) + ".lock"))
            .string();
    const std::pair<std::optional<std::string>, std::string> cases[] = {
        {runtime.path(), runtime.path() + "/a_b.lock"},
        {std::nullopt, fallback},
        {"relative/dir", fallback},
        {runtime.path() + "/missing", fallback},
    };
    for (const auto& [runtime_dir, expected] : cases) {
        test::ScopedEnv env("XDG_RUNTIME_DIR", runtime_dir);
        EXPECT_EQ(lock_file_path("a/b"), expected) << runtime_dir.value_or("(unset)");
    }
}

TEST(StringTable, CopiesLikeLoadString) {
    std::vector<WideChar> buffer(4096, u'#');
    const int count = copy_table_string(141, buffer.data(), 4096);
    EXPECT_EQ(checker::narrow(buffer.data(), static_cast<std::size_t>(count)),
              "Quelvar Tavrik update");
    EXPECT_EQ(buffer[static_cast<std::size_t>(count)], 0);

    // A small buffer gets capacity - 1 characters and the NUL.
    std::vector<WideChar> small(5, u'#');
    EXPECT_EQ(copy_table_string(141, small.data(), 5), 4);
    EXPECT_EQ(checker::narrow(small.data(), 4), "Quel");
    EXPECT_EQ(small[4], 0);

    EXPECT_EQ(copy_table_string(140, buffer.data(), 4096), 0);
    EXPECT_EQ(copy_table_string(152, buffer.data(), 4096), 0);
    EXPECT_EQ(copy_table_string(141, buffer.data(), 0), 0);
}

TEST(StringTable, ReleaseStringsComeFromTheBuild) {
    const std::pair<std::uint32_t, std::string> expected[] = {
        {145, NOTIFIER_DOWNLOAD_URL},
        {146, NOTIFIER_SHIPPED_VERSION},
        {147, NOTIFIER_VENDOR_NAME},
        {148, NOTIFIER_APPLICATION_NAME},
        {149, "fa2f68a3-8a90-46a5-b8dd-6781380566ef"},
    };
    for (const auto& [id, text] : expected) {
        std::vector<WideChar> buffer(4096);
        const int count = copy_table_string(id, buffer.data(), 4096);
        EXPECT_EQ(checker::narrow(buffer.data(), static_cast<std::size_t>(count)), text) << id;
    }
}

TEST(ResourceFiles, AcceptsOnlyReadablePicturesOfTheirKind) {
    test::TempDir dir;
    const std::string truncated = dir.path() + "/truncated.bmp";
    std::ofstream(truncated, std::ios::binary) << "BM\x36\x00";
    struct Case {
        const char* name;
        std::string path;
        std::uint32_t error; // 0: accepted
    };
    const Case cases[] = {
        {"bitmap", kResources + "icon.bmp", 0},
        {"missing", dir.path() + "/icon.bmp", ENOENT},
        {"a PNG is no bitmap", kResources + "notifier.png", EINVAL},
        {"truncated", truncated, EINVAL},
        {"a directory", dir.path(), EISDIR},
    };
    ResourceFiles files(kResources);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::uint32_t error = 0;
        const ImageHandle image = files.load_bitmap(c.path, error);
        EXPECT_EQ(image != ImageHandle::none, c.error == 0);
        if (c.error == 0) {
            EXPECT_EQ(files.image_path(image), c.path);
        } else {
            EXPECT_EQ(error, c.error);
        }
    }
}

TEST(ResourceFiles, IconResourceIsThePngBesideTheProgram) {
    ResourceFiles present(kResources);
    std::uint32_t error = 0;
    const IconHandle icon = present.load_icon(kNotificationIconId, error);
    ASSERT_NE(icon, IconHandle::none);
    EXPECT_EQ(present.icon_path(icon), kResources + "notifier.png");
    EXPECT_EQ(present.load_icon(122, error), IconHandle::none);

    test::TempDir empty;
    ResourceFiles absent(empty.path() + "/");
    EXPECT_EQ(absent.load_icon(kNotificationIconId, error), IconHandle::none);
    EXPECT_EQ(error, static_cast<std::uint32_t>(ENOENT));
}

// Records the messages a window receives.
class RecordingProcedure final : public WindowProcedure {
public:
    explicit RecordingProcedure(std::intptr_t create_answer) : create_answer_(create_answer) {}
    std::intptr_t handle_message(WindowHandle, std::uint32_t message, std::uintptr_t,
                                 std::intptr_t lparam) override {
        received.emplace_back(message, lparam);
        return message == kWmCreate ? create_answer_ : 0;
    }
    std::vector<std::pair<std::uint32_t, std::intptr_t>> received;

private:
    std::intptr_t create_answer_;
};

WindowClass window_class(const char* name, WindowProcedure& procedure) {
    WindowClass result;
    result.class_name = checker::widen(name);
    result.procedure = &procedure;
    return result;
}

TEST(MessagePump, CreationAndDestructionAreDeliveredBeforeTheyReturn) {
    MessagePump pump;
    RecordingProcedure procedure(0);
    std::uint32_t error = 0;
    ASSERT_TRUE(pump.register_class(window_class("class", procedure), error));
    EXPECT_FALSE(pump.register_class(window_class("class", procedure), error));
    EXPECT_EQ(error, static_cast<std::uint32_t>(EEXIST));

    const WindowHandle window = pump.create_window(checker::widen("class"), error);
    ASSERT_NE(window, WindowHandle::none);
    EXPECT_EQ(procedure.received, (decltype(procedure.received){{kWmCreate, 0}}));

    pump.post(Message{window, kTrayCallbackMessage, 0, kNinSelect});
    EXPECT_TRUE(pump.destroy_window(window));
    EXPECT_EQ(procedure.received.back().first, kWmDestroy);
    EXPECT_FALSE(pump.destroy_window(window));

    // A message for a window that is gone is dropped; the quit message ends the loop.
    pump.post_quit(0);
    Message message;
    ASSERT_EQ(pump.get_message(message), 1);
    pump.dispatch(message);
    EXPECT_EQ(procedure.received.size(), 2u);
    EXPECT_EQ(pump.get_message(message), 0);
    EXPECT_EQ(message.message, kWmQuit);
}

TEST(MessagePump, RefusedCreationDestroysTheWindowAndFails) {
    MessagePump pump;
    RecordingProcedure procedure(-1);
    std::uint32_t error = 0;
    pump.register_class(window_class("class", procedure), error);

    EXPECT_EQ(pump.create_window(checker::widen("class"), error), WindowHandle::none);
    EXPECT_EQ(error, static_cast<std::uint32_t>(ECANCELED));
    EXPECT_EQ(procedure.received, (decltype(procedure.received){{kWmCreate, 0}, {kWmDestroy, 0}}));

    EXPECT_EQ(pump.create_window(checker::widen("unknown"), error), WindowHandle::none);
    EXPECT_EQ(error, static_cast<std::uint32_t>(ENOENT));
}

TEST(Dialogs, ActionKeyIsTheFirstLinkOfTheFooter) {
    const std::pair<std::string, std::string> cases[] = {
        {"<a href=\"https://x.example/a\">https://x.example/a</a>", "https://x.example/a"},
        {"see <a href=\"u1\">one</a> or <a href=\"u2\">two</a>", "u1"},
        {"<a href=\"\">empty</a>", ""},
        {"<a href=\"unterminated", ""},
        {"no link", ""},
    };
    for (const auto& [footer, address] : cases) {
        EXPECT_EQ(first_link_address(footer), address) << footer;
    }
}

TEST(DesktopPlatform, CommandLineIsTheArgumentsJoinedByBlanks) {
    DesktopPlatform platform({"/opt/quelvar/notifier", "-x", "-v"}, kResources);
    EXPECT_EQ(checker::narrow(platform.command_line()), "/opt/quelvar/notifier -x -v");
}

TEST(DesktopPlatform, AddFailsWithoutASessionBus) {
    test::TempDir dir;
    test::ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + dir.path() + "/no-bus");
    DesktopPlatform platform({"notifier"}, kResources);
    NotificationRecord record;
    record.window = static_cast<WindowHandle>(1);
    record.id = 1;
    record.flags = kTrayIconFlags;

    EXPECT_FALSE(platform.shell_notify_icon(kNimAdd, record));
    EXPECT_FALSE(platform.shell_notify_icon(kNimSetVersion, record)) << "no icon was added";
    EXPECT_FALSE(platform.shell_notify_icon(kNimDelete, record));
}

} // namespace
