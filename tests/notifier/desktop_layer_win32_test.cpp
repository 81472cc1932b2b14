// The Windows layer's own contracts, on the real system (Wine in CI) without a display: the named
// mutex, the window class with its message-only window and the thread's queue, the balloon
// picture, and a browser start that fails. The shell's tray and the task dialogs need a desktop;
// windows_desktop_test.py covers them through the built program.
#include "notifier/desktop_platform-win32.hpp"
#include "notifier/shell_constants.hpp"
#include "support/encoding.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>
#include <windows.h>

namespace {

using namespace notifier;

HWND hwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
}

InstanceHandle this_module() {
    return static_cast<InstanceHandle>(reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr)));
}

// A name that no other test, here or in a test program running beside this one, uses: classes
// stay registered until the process ends.
WideString unique_name(const std::string& stem) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    return checker::widen(stem + "-" + test->name() + "-" + std::to_string(GetCurrentProcessId()));
}

TEST(NamedMutexWin32, SecondHandleReadsAsAlreadyExistsUntilBothAreClosed) {
    DesktopPlatform platform;
    const WideString name = unique_name("notifier-test-mutex");

    auto first = platform.create_mutex(name);
    const std::uint32_t first_error = platform.last_error();
    auto second = platform.create_mutex(name);
    const std::uint32_t second_error = platform.last_error();

    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr) << "the existing mutex is opened, not refused";
    EXPECT_EQ(first_error, 0u);
    EXPECT_EQ(second_error, static_cast<std::uint32_t>(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(platform.is_already_exists(second_error));

    first.reset();
    EXPECT_NE(platform.create_mutex(name), nullptr);
    EXPECT_TRUE(platform.is_already_exists(platform.last_error())) << "the second handle holds it";
    second.reset();
    const auto third = platform.create_mutex(name);
    EXPECT_EQ(platform.last_error(), 0u) << "closing every handle frees the name";
}

// Records every message with the handle it came with; refuses the creation when asked to.
class RecordingProcedure final : public WindowProcedure {
public:
    explicit RecordingProcedure(DesktopPlatform& platform) : platform_(platform) {}

    std::intptr_t handle_message(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                                 std::intptr_t lparam) override {
        messages.push_back({window, message, wparam, lparam});
        if (message == kWmCreate && refuse_creation) {
            return -1;
        }
        return platform_.default_window_procedure(window, message, wparam, lparam);
    }

    bool received(std::uint32_t message) const {
        for (const Message& m : messages) {
            if (m.message == message) {
                return true;
            }
        }
        return false;
    }

    std::vector<Message> messages;
    bool refuse_creation = false;

private:
    DesktopPlatform& platform_;
};

struct RegisteredClass {
    explicit RegisteredClass(DesktopPlatform& platform) : procedure(platform) {
        window_class.instance = this_module();
        window_class.class_name = unique_name("notifier-test-class");
        window_class.procedure = &procedure;
        registered = platform.register_window_class(window_class);
    }

    RecordingProcedure procedure;
    WindowClass window_class;
    bool registered = false;
};

TEST(MessageWindowWin32, CreationReachesTheProcedureAndMakesAMessageOnlyWindow) {
    DesktopPlatform platform;
    RegisteredClass registered(platform);
    ASSERT_TRUE(registered.registered);

    // As the logic asks for it: no instance, no creation parameter of its own.
    const WindowHandle window =
        platform.create_message_window(registered.window_class.class_name, InstanceHandle::none);

    ASSERT_NE(window, WindowHandle::none);
    ASSERT_TRUE(registered.procedure.received(kWmCreate));
    for (const Message& m : registered.procedure.messages) {
        EXPECT_EQ(m.window, window) << "message " << m.message;
    }
    EXPECT_EQ(
        FindWindowExW(HWND_MESSAGE, nullptr, registered.window_class.class_name.c_str(), nullptr),
        hwnd(window))
        << "a message-only window";
    EXPECT_TRUE(platform.destroy_window(window));
}

TEST(MessageWindowWin32, QueuedMessagesAreDispatchedWithTheirParameters) {
    DesktopPlatform platform;
    RegisteredClass registered(platform);
    const WindowHandle window =
        platform.create_message_window(registered.window_class.class_name, InstanceHandle::none);
    ASSERT_NE(window, WindowHandle::none);
    registered.procedure.messages.clear();

    // The tray's layout: the event in the low word, the icon in the high word.
    const std::intptr_t tray_lparam = kNinBalloonTimeout | (1 << 16);
    const std::uintptr_t wide_wparam = 0x123456789ABCull;
    PostMessageW(hwnd(window), kTrayCallbackMessage, 0, tray_lparam);
    PostMessageW(hwnd(window), kWmApp + 7, wide_wparam, -5);
    platform.post_quit_message(3);

    std::vector<Message> fetched;
    Message message;
    int result = 0;
    while ((result = platform.get_message(message)) > 0) {
        fetched.push_back(message);
        platform.dispatch_message(message);
    }

    EXPECT_EQ(result, 0);
    EXPECT_EQ(message.message, kWmQuit);
    EXPECT_EQ(message.wparam, 3u) << "the quit message carries the exit code";
    ASSERT_EQ(fetched.size(), 2u);
    ASSERT_EQ(registered.procedure.messages.size(), 2u);
    const Message& tray = registered.procedure.messages[0];
    EXPECT_EQ(tray.window, window);
    EXPECT_EQ(tray.message, kTrayCallbackMessage);
    EXPECT_EQ(tray.lparam, tray_lparam);
    const Message& wide = registered.procedure.messages[1];
    EXPECT_EQ(wide.message, kWmApp + 7);
    EXPECT_EQ(wide.wparam, wide_wparam);
    EXPECT_EQ(wide.lparam, -5);
    EXPECT_TRUE(platform.destroy_window(window));
}

TEST(MessageWindowWin32, DestroyDeliversWmDestroyBeforeItReturnsAndOnlyOnce) {
    DesktopPlatform platform;
    RegisteredClass registered(platform);
    const WindowHandle window =
        platform.create_message_window(registered.window_class.class_name, InstanceHandle::none);
    ASSERT_NE(window, WindowHandle::none);

    ASSERT_TRUE(platform.destroy_window(window));
    EXPECT_TRUE(registered.procedure.received(kWmDestroy));
    const std::size_t seen = registered.procedure.messages.size();

    EXPECT_FALSE(platform.destroy_window(window));
    EXPECT_NE(platform.last_error(), 0u); // Windows: ERROR_INVALID_WINDOW_HANDLE; Wine: another
    EXPECT_EQ(registered.procedure.messages.size(), seen) << "nothing reaches a destroyed window";
}

TEST(MessageWindowWin32, RefusedCreationGivesNoWindow) {
    DesktopPlatform platform;
    RegisteredClass registered(platform);
    registered.procedure.refuse_creation = true;

    EXPECT_EQ(
        platform.create_message_window(registered.window_class.class_name, InstanceHandle::none),
        WindowHandle::none);
    EXPECT_TRUE(registered.procedure.received(kWmCreate));
    EXPECT_EQ(
        FindWindowExW(HWND_MESSAGE, nullptr, registered.window_class.class_name.c_str(), nullptr),
        nullptr);
}

TEST(MessageWindowWin32, ClassFailuresLeaveTheSystemsCode) {
    DesktopPlatform platform;
    RegisteredClass registered(platform);
    ASSERT_TRUE(registered.registered);

    EXPECT_FALSE(platform.register_window_class(registered.window_class));
    EXPECT_EQ(platform.last_error(), static_cast<std::uint32_t>(ERROR_CLASS_ALREADY_EXISTS));
    EXPECT_EQ(platform.create_message_window(unique_name("notifier-test-unknown-class"),
                                             InstanceHandle::none),
              WindowHandle::none);
    EXPECT_EQ(platform.last_error(), static_cast<std::uint32_t>(ERROR_CANNOT_FIND_WND_CLASS));
}

TEST(BalloonPictureWin32, LoadsOnlyABitmapFile) {
    test::TempDir dir;
    const std::string not_a_bitmap = dir.path() + "\\text.bmp";
    std::ofstream(not_a_bitmap) << "BM but not a bitmap";
    struct Case {
        const char* name;
        std::string path;
        bool loaded;
        std::uint32_t error; // when it is not loaded
    };
    const Case cases[] = {
        {"icon.bmp beside the program", test::executable_dir() + "icon.bmp", true, 0},
        {"missing", dir.path() + "\\missing.bmp", false, ERROR_FILE_NOT_FOUND},
        {"not a bitmap", not_a_bitmap, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesktopPlatform platform;
        const ImageHandle image =
            platform.load_image(checker::widen(c.path), kImageBitmap, kBalloonImageSize,
                                kBalloonImageSize, kLrLoadFromFile);
        EXPECT_EQ(image != ImageHandle::none, c.loaded);
        if (image == ImageHandle::none) {
            EXPECT_EQ(platform.last_error(), c.error);
            continue;
        }
        BITMAP bitmap{};
        ASSERT_NE(GetObjectW(reinterpret_cast<HGDIOBJ>(static_cast<std::uintptr_t>(image)),
                             sizeof bitmap, &bitmap),
                  0);
        EXPECT_EQ(bitmap.bmWidth, 128);
        EXPECT_EQ(bitmap.bmHeight, 128);
    }
}

TEST(BrowserWin32, AddressNothingCanOpenReportsAFailureCode) {
    test::TempDir dir;
    DesktopPlatform platform;
    const std::intptr_t result =
        platform.shell_execute(checker::widen(dir.path() + "\\missing.html"), kSwShow);
    EXPECT_LE(result, kShellExecuteLastError);
}

} // namespace
