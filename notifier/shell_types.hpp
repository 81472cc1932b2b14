// The values that pass between the notifier's logic and its platform: opaque handles, the records
// that mirror the Windows structures the logic fills in, and the two callback interfaces through
// which the platform calls the logic back.
#pragma once

#include "support/encoding.hpp"

#include <array>
#include <cstdint>

namespace notifier {

using checker::WideChar;
using checker::WideString;

// Handles are numbers owned by the platform object that issued them; zero is the null handle.
// The Windows layer converts them to HWND, HINSTANCE, HICON and HANDLE one to one.
enum class WindowHandle : std::uintptr_t { none = 0 };
enum class InstanceHandle : std::uintptr_t { none = 0 };
enum class IconHandle : std::uintptr_t { none = 0 };
enum class ImageHandle : std::uintptr_t { none = 0 };

// One window message as the message loop fetches it.
struct Message {
    WindowHandle window = WindowHandle::none;
    std::uint32_t message = 0;
    std::uintptr_t wparam = 0;
    std::intptr_t lparam = 0;
};

// The window procedure of a window class; the platform delivers every message of the class's
// windows here.
class WindowProcedure {
public:
    virtual std::intptr_t handle_message(WindowHandle window, std::uint32_t message,
                                         std::uintptr_t wparam, std::intptr_t lparam) = 0;

protected:
    ~WindowProcedure() = default;
};

// A task dialog's callback. For TDN_HYPERLINK_CLICKED, lparam points to the link's address as a
// NUL-terminated WideChar text that lives until the callback returns.
class TaskDialogCallback {
public:
    virtual std::int32_t handle_notification(WindowHandle dialog, std::uint32_t code,
                                             std::uintptr_t wparam, std::intptr_t lparam) = 0;

protected:
    ~TaskDialogCallback() = default;
};

// WNDCLASSEXW with the fields the notifier sets; the rest are zero.
struct WindowClass {
    InstanceHandle instance = InstanceHandle::none;
    IconHandle icon = IconHandle::none;
    WideString class_name;
    WindowProcedure* procedure = nullptr;
};

// NOTIFYICONDATAW with the fields the notifier uses. The text fields are NUL-terminated within
// their fixed capacity, as on Windows, so that a string load can write into them directly.
struct NotificationRecord {
    WindowHandle window = WindowHandle::none;
    std::uint32_t id = 0;
    std::uint32_t flags = 0;
    std::uint32_t callback_message = 0;
    IconHandle icon = IconHandle::none;
    std::array<WideChar, 128> tip{};
    std::array<WideChar, 256> info{};
    std::uint32_t version = 0;
    std::array<WideChar, 64> info_title{};
    std::uint32_t info_flags = 0;
    ImageHandle balloon_icon = ImageHandle::none;
};

// TASKDIALOGCONFIG with the fields the update dialog uses; icons are resource identifiers of the
// module instance (or the standard icons), texts are owned by the record.
struct TaskDialogConfig {
    WindowHandle parent = WindowHandle::none;
    InstanceHandle instance = InstanceHandle::none;
    std::uint32_t flags = 0;
    std::uint32_t common_buttons = 0;
    WideString window_title;
    std::uint16_t main_icon = 0;
    WideString main_instruction;
    WideString content;
    WideString expanded_information;
    WideString expanded_control_text;
    WideString collapsed_control_text;
    std::uint16_t footer_icon = 0;
    WideString footer;
    TaskDialogCallback* callback = nullptr;
    std::uint32_t width = 0;
};

// The arguments of the simple TaskDialog call.
struct MessageDialog {
    WindowHandle owner = WindowHandle::none;
    InstanceHandle instance = InstanceHandle::none;
    WideString window_title;
    WideString main_instruction;
    WideString content;
    std::uint32_t common_buttons = 0;
    std::uint16_t icon = 0;
};

// The text of a fixed-capacity field up to its first NUL.
template <std::size_t N> WideString field_text(const std::array<WideChar, N>& field) {
    std::size_t length = 0;
    while (length < N && field[length] != 0) {
        ++length;
    }
    return WideString(field.data(), length);
}

} // namespace notifier
