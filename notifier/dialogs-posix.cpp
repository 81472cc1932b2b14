#include "dialogs-posix.hpp"

#include "shell_constants.hpp"
#include "support/encoding.hpp"

#include <algorithm>

namespace notifier {

namespace {

constexpr std::uint8_t kUrgencyCritical = 2;
// The message that tells a dialog window a signal of its notification is waiting.
constexpr std::uint32_t kDialogSignalMessage = kWmApp + 0x10;

} // namespace

std::string first_link_address(const std::string& text) {
    const std::string opening = "<a href=\"";
    const std::size_t start = text.find(opening);
    if (start == std::string::npos) {
        return {};
    }
    const std::size_t begin = start + opening.size();
    const std::size_t end = text.find('"', begin);
    return end == std::string::npos ? std::string() : text.substr(begin, end - begin);
}

Dialogs::Dialogs(NotificationBus& bus, MessagePump& pump, const ResourceFiles& resources)
    : bus_(bus), pump_(pump), resources_(resources) {}

std::int32_t Dialogs::run_task_dialog(const TaskDialogConfig& config) {
    NotificationRequest request;
    request.app_name = checker::narrow(config.window_title);
    request.app_icon = resources_.icon_file(config.main_icon);
    request.summary = checker::narrow(config.main_instruction);
    request.body = checker::narrow(config.expanded_information);
    const std::string address = first_link_address(checker::narrow(config.footer));
    if (!address.empty()) {
        request.actions.emplace_back(address, checker::narrow(config.expanded_control_text));
    }
    request.resident = true;
    request.expire_timeout = 0;
    return run(request, config.callback);
}

std::int32_t Dialogs::run_message_dialog(const MessageDialog& dialog) {
    NotificationRequest request;
    request.app_name = checker::narrow(dialog.window_title);
    request.app_icon = dialog.icon == kTdErrorIcon ? "dialog-error" : std::string();
    request.summary = checker::narrow(dialog.window_title);
    request.body = checker::narrow(dialog.main_instruction);
    request.urgency = kUrgencyCritical;
    return run(request, nullptr);
}

std::int32_t Dialogs::run(const NotificationRequest& request, TaskDialogCallback* callback) {
    std::uint32_t error = 0;
    const auto notification = bus_.notify(request, error);
    if (!notification) {
        return kEFail;
    }
    Session session;
    session.notification = *notification;
    session.callback = callback;
    session.shown = true;
    session.handle = pump_.attach_window(*this);

    // The dialog leaves the pump and the open list however this frame ends.
    struct Scope {
        Dialogs& dialogs;
        Session& session;
        Scope(Dialogs& owner, Session& opened) : dialogs(owner), session(opened) {
            dialogs.sessions_.push_back(&session);
        }
        ~Scope() {
            dialogs.pump_.detach_window(session.handle);
            auto& open = dialogs.sessions_;
            open.erase(std::remove(open.begin(), open.end(), &session), open.end());
            // The dialog below acts on what it was sent meanwhile.
            if (!open.empty()) {
                for (; open.back()->deferred > 0; --open.back()->deferred) {
                    dialogs.post_event_message(*open.back());
                }
            }
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
    } scope(*this, session);

    notify_callback(session, kTdnDialogConstructed, 0, 0);
    notify_callback(session, kTdnCreated, 0, 0);
    while (session.open) {
        if (!pump_.pump_once()) {
            // A quit message ends the modal loop and stays queued for the outer one.
            close(session);
        }
    }
    return kSOk;
}

std::intptr_t Dialogs::handle_message(WindowHandle window, std::uint32_t message,
                                      std::uintptr_t /*wparam*/, std::intptr_t /*lparam*/) {
    const auto found = std::find_if(sessions_.begin(), sessions_.end(),
                                    [window](const Session* s) { return s->handle == window; });
    if (message != kDialogSignalMessage || found == sessions_.end()) {
        return 0;
    }
    Session& session = **found;
    if (&session != sessions_.back()) {
        ++session.deferred;
        return 0;
    }
    if (!session.events.empty() && session.open) {
        const BusEvent event = session.events.front();
        session.events.pop_front();
        handle_event(session, event);
    }
    return 0;
}

void Dialogs::handle_event(Session& session, const BusEvent& event) {
    if (event.kind == BusEvent::Kind::action_invoked) {
        const WideString href = checker::widen(event.action_key);
        notify_callback(session, kTdnHyperlinkClicked, 0,
                        reinterpret_cast<std::intptr_t>(href.c_str()));
        return;
    }
    // The notification is gone. Unless we closed it ourselves, that is the user pressing Cancel
    // (or the close box), after which a task dialog closes.
    session.shown = false;
    if (event.kind == BusEvent::Kind::disconnected || event.reason != kClosedByCall) {
        notify_callback(session, kTdnButtonClicked, kIdCancel, 0);
    }
    close(session);
}

void Dialogs::close(Session& session) {
    if (!session.open) {
        return;
    }
    session.open = false;
    pump_.detach_window(session.handle);
    if (session.shown) {
        session.shown = false;
        bus_.close(session.notification);
    }
    notify_callback(session, kTdnDestroyed, 0, 0);
}

void Dialogs::notify_callback(Session& session, std::uint32_t code, std::uintptr_t wparam,
                              std::intptr_t lparam) {
    if (session.callback != nullptr) {
        session.callback->handle_notification(session.handle, code, wparam, lparam);
    }
}

void Dialogs::post_event_message(const Session& session) {
    Message message;
    message.window = session.handle;
    message.message = kDialogSignalMessage;
    pump_.post(message);
}

bool Dialogs::destroy(WindowHandle dialog) {
    for (Session* session : sessions_) {
        if (session->handle == dialog && session->open) {
            close(*session);
            return true;
        }
    }
    return false;
}

void Dialogs::on_bus_event(const BusEvent& event) {
    for (Session* session : sessions_) {
        if (session->shown &&
            (event.kind == BusEvent::Kind::disconnected || session->notification == event.id)) {
            session->events.push_back(event);
            post_event_message(*session);
        }
    }
}

} // namespace notifier
