// Task dialogs on a Linux desktop. The update dialog is a resident notification whose one action
// is the dialog's link; the error dialog is a critical notification. Each is a window of the
// message pump while it is open: the notification's signals reach it through the thread's queue,
// in the order they arrived among the tray's, and it runs a modal loop until it closes. Only the
// innermost dialog acts on its signals, as a dialog's owner is disabled under it.
#pragma once

#include "message_pump-posix.hpp"
#include "notification_bus-posix.hpp"
#include "resource_files-posix.hpp"
#include "shell_types.hpp"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace notifier {

// The address of the first link (<a href="...">) in a dialog text; empty when there is none.
std::string first_link_address(const std::string& text);

class Dialogs final : private WindowProcedure {
public:
    Dialogs(NotificationBus& bus, MessagePump& pump, const ResourceFiles& resources);

    // TaskDialogIndirect: S_OK once the dialog was shown and has closed, E_FAIL when it could
    // not be shown. The callback gets TDN_DIALOG_CONSTRUCTED and TDN_CREATED when it is shown,
    // TDN_HYPERLINK_CLICKED for the action, TDN_BUTTON_CLICKED (IDCANCEL) when the user dismisses
    // it and TDN_DESTROYED when it goes.
    std::int32_t run_task_dialog(const TaskDialogConfig& config);
    // TaskDialog: S_OK once the notification has gone, E_FAIL when it could not be shown.
    std::int32_t run_message_dialog(const MessageDialog& dialog);
    // DestroyWindow for a dialog; false when the handle is no open dialog.
    bool destroy(WindowHandle dialog);
    // Queues a signal for the dialog it concerns.
    void on_bus_event(const BusEvent& event);

private:
    struct Session {
        WindowHandle handle = WindowHandle::none;
        std::uint32_t notification = 0;
        TaskDialogCallback* callback = nullptr;
        bool shown = false; // the notification is still on screen
        bool open = true;
        std::deque<BusEvent> events;
        // Signals that arrived while a dialog above this one was open.
        int deferred = 0;
    };

    std::int32_t run(const NotificationRequest& request, TaskDialogCallback* callback);
    std::intptr_t handle_message(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                                 std::intptr_t lparam) override;
    void handle_event(Session& session, const BusEvent& event);
    void close(Session& session);
    void notify_callback(Session& session, std::uint32_t code, std::uintptr_t wparam,
                         std::intptr_t lparam);
    void post_event_message(const Session& session);

    NotificationBus& bus_;
    MessagePump& pump_;
    const ResourceFiles& resources_;
    // The dialogs open now, innermost last; each lives in a frame of run().
    std::vector<Session*> sessions_;
};

} // namespace notifier
