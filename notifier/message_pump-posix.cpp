#include "message_pump-posix.hpp"

#include "shell_constants.hpp"

#include <cerrno>
#include <glib.h>

namespace notifier {

bool MessagePump::register_class(const WindowClass& window_class, std::uint32_t& error) {
    if (window_class.procedure == nullptr || window_class.class_name.empty()) {
        error = EINVAL;
        return false;
    }
    if (!classes_.emplace(window_class.class_name, window_class.procedure).second) {
        error = EEXIST;
        return false;
    }
    return true;
}

WindowHandle MessagePump::create_window(const WideString& class_name, std::uint32_t& error) {
    const auto found = classes_.find(class_name);
    if (found == classes_.end()) {
        error = ENOENT;
        return WindowHandle::none;
    }
    WindowProcedure* procedure = found->second;
    const WindowHandle window = new_handle();
    windows_.emplace(window, Window{procedure, false});
    if (procedure->handle_message(window, kWmCreate, 0, 0) == -1) {
        destroy_window(window);
        error = ECANCELED;
        return WindowHandle::none;
    }
    return window;
}

bool MessagePump::destroy_window(WindowHandle window) {
    const auto found = windows_.find(window);
    if (found == windows_.end() || found->second.attached) {
        return false;
    }
    WindowProcedure* procedure = found->second.procedure;
    windows_.erase(found);
    procedure->handle_message(window, kWmDestroy, 0, 0);
    return true;
}

WindowHandle MessagePump::attach_window(WindowProcedure& procedure) {
    const WindowHandle window = new_handle();
    windows_.emplace(window, Window{&procedure, true});
    return window;
}

void MessagePump::detach_window(WindowHandle window) {
    windows_.erase(window);
}

WindowHandle MessagePump::new_handle() {
    return static_cast<WindowHandle>(++last_handle_);
}

void MessagePump::post(const Message& message) {
    queue_.push_back(message);
}

void MessagePump::post_quit(int exit_code) {
    Message quit;
    quit.message = kWmQuit;
    quit.wparam = static_cast<std::uintptr_t>(exit_code);
    queue_.push_back(quit);
}

int MessagePump::get_message(Message& message) {
    while (queue_.empty()) {
        g_main_context_iteration(nullptr, TRUE);
    }
    message = queue_.front();
    queue_.pop_front();
    return message.message == kWmQuit ? 0 : 1;
}

void MessagePump::dispatch(const Message& message) {
    // Messages still queued for a window that is gone are dropped, as Windows drops them.
    const auto found = windows_.find(message.window);
    if (found != windows_.end()) {
        found->second.procedure->handle_message(message.window, message.message, message.wparam,
                                                message.lparam);
    }
}

bool MessagePump::pump_once() {
    if (queue_.empty()) {
        g_main_context_iteration(nullptr, TRUE);
        return true;
    }
    if (queue_.front().message == kWmQuit) {
        return false;
    }
    const Message message = queue_.front();
    queue_.pop_front();
    dispatch(message);
    return true;
}

} // namespace notifier
