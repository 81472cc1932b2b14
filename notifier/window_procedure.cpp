#include "window_procedure.hpp"

#include "shell_constants.hpp"
#include "tray_notification.hpp"
#include "update_dialog.hpp"

#include <string>

namespace notifier {

namespace {

// The tray events that open the update dialog, with their trace names.
struct DialogRequest {
    std::uint32_t event;
    const char* name;
};
constexpr DialogRequest kDialogRequests[] = {
    {kWmContextMenu, "WM_CONTEXTMENU"},
    {kNinSelect, "NIN_SELECT"},
    {kNinBalloonUserClick, "NIN_BALLOONUSERCLICK"},
};

void handle_tray_event(Notifier& notifier, WindowHandle window, std::uint32_t event) {
    for (const DialogRequest& request : kDialogRequests) {
        if (request.event == event) {
            notifier.tracer.trace(std::string("'") + request.name + "' event received");
            show_update_dialog(notifier, window);
            return;
        }
    }
    if (event != kNinBalloonTimeout) {
        return; // mouse movement, keyboard selection, balloon shown or hidden
    }
    notifier.tracer.trace("'NIN_BALLOONTIMEOUT' event received");
    // Once the dialog has been shown only its closing ends the run.
    if (notifier.update_dialog_shown) {
        return;
    }
    notifier.tracer.trace("'NIN_BALLOONTIMEOUT' proceed");
    notifier.platform.destroy_window(window);
}

} // namespace

std::intptr_t window_procedure(Notifier& notifier, WindowHandle window, std::uint32_t message,
                               std::uintptr_t wparam, std::intptr_t lparam) {
    switch (message) {
    case kWmCreate:
        notifier.tracer.trace("'WM_CREATE' event received");
        return add_notification(notifier, window) ? 0 : -1;
    case kWmDestroy:
        notifier.tracer.trace("'WM_DESTROY' event received");
        delete_notification(notifier, window);
        notifier.platform.post_quit_message(0);
        return 0;
    case kTrayCallbackMessage:
        handle_tray_event(notifier, window, static_cast<std::uint32_t>(lparam) & 0xFFFFu);
        return 0;
    default:
        return notifier.platform.default_window_procedure(window, message, wparam, lparam);
    }
}

} // namespace notifier
