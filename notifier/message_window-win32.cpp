#include "message_window-win32.hpp"

#include "handles-win32.hpp"

namespace notifier {

namespace {

LRESULT CALLBACK route_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* procedure = reinterpret_cast<WindowProcedure*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (procedure == nullptr) {
        return DefWindowProcW(window, message, wparam, lparam);
    }
    if (message == WM_NCDESTROY) {
        // The last message of the window: nothing may reach the object afterwards.
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    }
    try {
        return static_cast<LRESULT>(procedure->handle_message(
            to_handle<WindowHandle>(window), message, static_cast<std::uintptr_t>(wparam),
            static_cast<std::intptr_t>(lparam)));
    } catch (...) {
        // Nothing may unwind through the system's frames; a creation that failed is refused.
        return message == WM_CREATE ? -1 : 0;
    }
}

} // namespace

bool register_routed_class(const WindowClass& window_class) {
    WNDCLASSEXW record{};
    record.cbSize = sizeof record;
    record.lpfnWndProc = route_message;
    record.hInstance = to_hinstance(window_class.instance);
    record.hIcon = to_system<HICON>(window_class.icon);
    record.lpszClassName = window_class.class_name.c_str();
    return RegisterClassExW(&record) != 0;
}

WindowHandle create_routed_window(const WideString& class_name, InstanceHandle instance,
                                  WindowProcedure& procedure) {
    const HWND window = CreateWindowExW(0, class_name.c_str(), nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE,
                                        nullptr, to_hinstance(instance), &procedure);
    return to_handle<WindowHandle>(window);
}

} // namespace notifier
