#include "tray_icon-posix.hpp"

#include "shell_constants.hpp"
#include "support/encoding.hpp"

#include <algorithm>
#include <cerrno>

namespace notifier {

TrayIcons::TrayIcons(NotificationBus& bus, MessagePump& pump, const ResourceFiles& resources)
    : bus_(bus), pump_(pump), resources_(resources) {}

bool TrayIcons::notify(std::uint32_t command, const NotificationRecord& record,
                       std::uint32_t& error) {
    switch (command) {
    case kNimAdd:
        return add(record, error);
    case kNimSetVersion:
        // Version 4 events are the only ones this layer produces; it only needs the icon.
        if (find(record) == icons_.end()) {
            error = ENOENT;
            return false;
        }
        return true;
    case kNimDelete:
        return remove(record, error);
    default:
        error = EINVAL;
        return false;
    }
}

std::vector<TrayIcons::Icon>::iterator TrayIcons::find(const NotificationRecord& record) {
    return std::find_if(icons_.begin(), icons_.end(), [&record](const Icon& icon) {
        return icon.window == record.window && icon.id == record.id;
    });
}

bool TrayIcons::add(const NotificationRecord& record, std::uint32_t& error) {
    if (find(record) != icons_.end()) {
        error = EEXIST;
        return false;
    }
    Icon icon{record.window, record.id, 0, 0, false};
    if ((record.flags & kNifMessage) != 0) {
        icon.callback_message = record.callback_message;
    }
    if ((record.flags & kNifInfo) != 0) {
        // The tooltip names the application; the balloon is the notification itself.
        NotificationRequest request;
        request.app_name = checker::narrow(field_text(record.tip));
        request.summary = checker::narrow(field_text(record.info_title));
        request.body = checker::narrow(field_text(record.info));
        if ((record.flags & kNifIcon) != 0) {
            request.app_icon = resources_.icon_path(record.icon);
        }
        if ((record.info_flags & kNiifUser) != 0) {
            request.image_path = resources_.image_path(record.balloon_icon);
        }
        request.suppress_sound = (record.info_flags & kNiifNoSound) != 0;
        request.actions.emplace_back("default", request.summary);
        const auto notification = bus_.notify(request, error);
        if (!notification) {
            return false;
        }
        icon.notification = *notification;
        icon.balloon_shown = true;
    }
    icons_.push_back(icon);
    return true;
}

bool TrayIcons::remove(const NotificationRecord& record, std::uint32_t& error) {
    const auto found = find(record);
    if (found == icons_.end()) {
        error = ENOENT;
        return false;
    }
    // A balloon that went away by itself leaves nothing to close.
    if (found->balloon_shown) {
        bus_.close(found->notification);
    }
    icons_.erase(found);
    return true;
}

void TrayIcons::post_event(const Icon& icon, std::uint32_t event) {
    if (icon.callback_message == 0) {
        return;
    }
    // Version 4 layout: the event in the low word, the icon's identifier in the high word.
    Message message;
    message.window = icon.window;
    message.message = icon.callback_message;
    message.lparam = static_cast<std::intptr_t>(event | (icon.id << 16));
    pump_.post(message);
}

void TrayIcons::on_bus_event(const BusEvent& event) {
    for (Icon& icon : icons_) {
        const bool concerned =
            event.kind == BusEvent::Kind::disconnected || icon.notification == event.id;
        if (!icon.balloon_shown || !concerned) {
            continue;
        }
        if (event.kind == BusEvent::Kind::action_invoked) {
            post_event(icon, kNinBalloonUserClick);
            continue;
        }
        icon.balloon_shown = false;
        // Closed by our own call: nothing to tell. Expired, dismissed, or gone with the bus:
        // the balloon timed out as far as the window is concerned.
        if (event.kind == BusEvent::Kind::disconnected || event.reason != kClosedByCall) {
            post_event(icon, kNinBalloonTimeout);
        }
    }
}

} // namespace notifier
