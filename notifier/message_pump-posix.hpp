// The windows and the message queue of the Linux build, run on the GLib main loop. A window is a
// handle and the procedure of its class; messages are delivered the way Windows delivers them to
// a message-only window: WM_CREATE and WM_DESTROY synchronously, everything else through the
// queue that get_message takes from.
#pragma once

#include "shell_types.hpp"

#include <cstdint>
#include <deque>
#include <map>

namespace notifier {

class MessagePump {
public:
    // false with EEXIST in error when the class name is taken.
    bool register_class(const WindowClass& window_class, std::uint32_t& error);
    // Null with an errno code in error when the class is unknown (ENOENT) or its procedure
    // refused the creation (ECANCELED); WM_DESTROY has then been delivered.
    WindowHandle create_window(const WideString& class_name, std::uint32_t& error);
    // false when the handle is no window created by this pump.
    bool destroy_window(WindowHandle window);
    // A window whose life is kept elsewhere (a dialog): it gets a handle and its queued
    // messages, but no WM_CREATE or WM_DESTROY.
    WindowHandle attach_window(WindowProcedure& procedure);
    void detach_window(WindowHandle window);

    void post(const Message& message);
    void post_quit(int exit_code);
    // Waits on the main loop until a message is queued; 0 for the quit message.
    int get_message(Message& message);
    void dispatch(const Message& message);
    // One step of a modal loop: dispatches one queued message or waits for the main loop once.
    // false when the quit message is next; it stays queued for the outer loop.
    bool pump_once();

private:
    WindowHandle new_handle();

    std::map<WideString, WindowProcedure*> classes_;
    struct Window {
        WindowProcedure* procedure;
        bool attached; // its life is kept elsewhere
    };
    std::map<WindowHandle, Window> windows_;
    std::deque<Message> queue_;
    std::uintptr_t last_handle_ = 0x100;
};

} // namespace notifier
