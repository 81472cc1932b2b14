#include "desktop_platform-win32.hpp"

#include "handles-win32.hpp"
#include "message_window-win32.hpp"
#include "task_dialogs-win32.hpp"
#include "tray_icon-win32.hpp"

#include <commctrl.h>
#include <shellapi.h>

namespace notifier {

namespace {

class NamedMutex final : public MutexHandle {
public:
    explicit NamedMutex(HANDLE handle) : handle_(handle) {}
    ~NamedMutex() override { CloseHandle(handle_); }
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

private:
    HANDLE handle_;
};

} // namespace

void DesktopPlatform::IconRelease::operator()(void* icon) const noexcept {
    DestroyIcon(static_cast<HICON>(icon));
}

void DesktopPlatform::ImageRelease::operator()(void* image) const noexcept {
    switch (type) {
    case IMAGE_ICON:
        DestroyIcon(static_cast<HICON>(image));
        break;
    case IMAGE_CURSOR:
        DestroyCursor(static_cast<HCURSOR>(image));
        break;
    default:
        DeleteObject(static_cast<HGDIOBJ>(image));
        break;
    }
}

void DesktopPlatform::keep_last_error() {
    last_error_ = GetLastError();
}

WideString DesktopPlatform::command_line() {
    return WideString(GetCommandLineW());
}

std::uint32_t DesktopPlatform::process_id() {
    return GetCurrentProcessId();
}

std::uint32_t DesktopPlatform::last_error() {
    return last_error_;
}

bool DesktopPlatform::is_already_exists(std::uint32_t code) {
    return code == ERROR_ALREADY_EXISTS;
}

std::unique_ptr<MutexHandle> DesktopPlatform::create_mutex(const WideString& name) {
    const HANDLE handle = CreateMutexW(nullptr, FALSE, name.c_str());
    // Success leaves either 0 or ERROR_ALREADY_EXISTS, and the caller tells the two apart.
    keep_last_error();
    if (handle == nullptr) {
        return nullptr;
    }
    return std::make_unique<NamedMutex>(handle);
}

int DesktopPlatform::load_string(InstanceHandle instance, std::uint32_t id, WideChar* buffer,
                                 int capacity) {
    const int count = LoadStringW(to_hinstance(instance), id, buffer, capacity);
    if (count == 0) {
        keep_last_error();
    }
    return count;
}

IconHandle DesktopPlatform::load_icon(InstanceHandle instance, std::uint16_t id) {
    // An icon from LoadIconW is shared and freed by the system.
    const HICON icon = LoadIconW(to_hinstance(instance), MAKEINTRESOURCEW(id));
    if (icon == nullptr) {
        keep_last_error();
    }
    return to_handle<IconHandle>(icon);
}

std::int32_t DesktopPlatform::load_icon_metric(InstanceHandle instance, std::uint16_t id,
                                               std::int32_t metric, IconHandle& icon) {
    HICON loaded = nullptr;
    const HRESULT result = LoadIconMetric(to_hinstance(instance), MAKEINTRESOURCEW(id),
                                          static_cast<int>(metric), &loaded);
    if (result == S_OK) {
        icons_.emplace_back(loaded);
        icon = to_handle<IconHandle>(loaded);
    }
    return static_cast<std::int32_t>(result);
}

ImageHandle DesktopPlatform::load_image(const WideString& path, std::uint32_t type, int width,
                                        int height, std::uint32_t load_flags) {
    const HANDLE image = LoadImageW(nullptr, path.c_str(), type, width, height, load_flags);
    if (image == nullptr) {
        keep_last_error();
        return ImageHandle::none;
    }
    images_.emplace_back(image, ImageRelease{type});
    return to_handle<ImageHandle>(image);
}

bool DesktopPlatform::register_window_class(const WindowClass& window_class) {
    if (window_class.procedure == nullptr) {
        last_error_ = ERROR_INVALID_PARAMETER;
        return false;
    }
    if (!register_routed_class(window_class)) {
        keep_last_error();
        return false;
    }
    class_procedures_[window_class.class_name] = window_class.procedure;
    return true;
}

WindowHandle DesktopPlatform::create_message_window(const WideString& class_name,
                                                    InstanceHandle instance) {
    const auto found = class_procedures_.find(class_name);
    if (found == class_procedures_.end()) {
        last_error_ = ERROR_CANNOT_FIND_WND_CLASS;
        return WindowHandle::none;
    }
    const WindowHandle window = create_routed_window(class_name, instance, *found->second);
    if (window == WindowHandle::none) {
        keep_last_error();
    }
    return window;
}

bool DesktopPlatform::destroy_window(WindowHandle window) {
    if (DestroyWindow(to_hwnd(window)) == FALSE) {
        keep_last_error();
        return false;
    }
    return true;
}

std::intptr_t DesktopPlatform::default_window_procedure(WindowHandle window, std::uint32_t message,
                                                        std::uintptr_t wparam,
                                                        std::intptr_t lparam) {
    return static_cast<std::intptr_t>(DefWindowProcW(
        to_hwnd(window), message, static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam)));
}

void DesktopPlatform::post_quit_message(int exit_code) {
    PostQuitMessage(exit_code);
}

int DesktopPlatform::get_message(Message& message) {
    MSG fetched{};
    const BOOL result = GetMessageW(&fetched, nullptr, 0, 0);
    if (result == -1) {
        keep_last_error();
        return -1;
    }
    message.window = to_handle<WindowHandle>(fetched.hwnd);
    message.message = fetched.message;
    message.wparam = static_cast<std::uintptr_t>(fetched.wParam);
    message.lparam = static_cast<std::intptr_t>(fetched.lParam);
    return result;
}

void DesktopPlatform::dispatch_message(const Message& message) {
    MSG record{};
    record.hwnd = to_hwnd(message.window);
    record.message = message.message;
    record.wParam = static_cast<WPARAM>(message.wparam);
    record.lParam = static_cast<LPARAM>(message.lparam);
    TranslateMessage(&record);
    DispatchMessageW(&record);
}

bool DesktopPlatform::shell_notify_icon(std::uint32_t command, const NotificationRecord& record) {
    if (!notify_shell(command, record)) {
        keep_last_error();
        return false;
    }
    return true;
}

std::int32_t DesktopPlatform::task_dialog_indirect(const TaskDialogConfig& config) {
    return run_task_dialog(config);
}

std::int32_t DesktopPlatform::task_dialog(const MessageDialog& dialog) {
    return run_message_dialog(dialog);
}

std::intptr_t DesktopPlatform::shell_execute(const WideString& address, int show_command) {
    const HINSTANCE result =
        ShellExecuteW(nullptr, nullptr, address.c_str(), nullptr, nullptr, show_command);
    return reinterpret_cast<std::intptr_t>(result);
}

} // namespace notifier
