#include "tray_notification.hpp"

#include "shell_constants.hpp"
#include "string_ids.hpp"
#include "support/encoding.hpp"
#include "support/errors.hpp"

#include <string>

namespace notifier {

namespace {

// Reads a string resource straight into a record field; strings 141 and 142 are reported with
// the system's error text rather than through the resource loader.
template <std::size_t N>
bool load_field(Notifier& notifier, std::uint32_t id, std::array<WideChar, N>& field,
                const std::string& what) {
    const int count =
        notifier.platform.load_string(notifier.instance, id, field.data(), static_cast<int>(N));
    if (count > 0) {
        return true;
    }
    const std::uint32_t code = notifier.platform.last_error();
    notifier.tracer.trace("'LoadStringW' for " + what + " fail, error: [" +
                          checker::errcode_to_string(code) + "]");
    return false;
}

} // namespace

bool add_notification(Notifier& notifier, WindowHandle window) {
    NotifierPlatform& platform = notifier.platform;
    notifier.tracer.trace("is due to add notification");

    NotificationRecord record;
    record.window = window;
    record.id = kTrayIconId;
    record.flags = kTrayIconFlags;
    record.callback_message = kTrayCallbackMessage;

    const std::int32_t icon_result =
        platform.load_icon_metric(notifier.instance, kNotificationIconId, kLimSmall, record.icon);
    if (icon_result != kSOk) {
        notifier.tracer.trace("'LoadIconMetric' fail, return: [" + checker::to_string(icon_result) +
                              "]");
        return false;
    }
    record.balloon_icon =
        platform.load_image(notifier.balloon_icon_path, kImageBitmap, kBalloonImageSize,
                            kBalloonImageSize, kLrLoadFromFile);
    if (record.balloon_icon == ImageHandle::none) {
        const std::uint32_t code = platform.last_error();
        notifier.tracer.trace("'LoadImageW' fail, error: [" + checker::errcode_to_string(code) +
                              "]");
        return false;
    }
    record.info_flags = kBalloonFlags;
    if (!load_field(notifier, kStringTooltip, record.tip, "tooltip") ||
        !load_field(notifier, kStringBalloonTitle, record.info_title, "title")) {
        return false;
    }
    if (!copy_bounded(record.info, notifier.balloon_text)) {
        return false;
    }
    if (!platform.shell_notify_icon(kNimAdd, record)) {
        notifier.tracer.trace("'Shell_NotifyIconW' main fail");
        return false;
    }
    record.version = kNotifyIconVersion4;
    const bool versioned = platform.shell_notify_icon(kNimSetVersion, record);
    notifier.tracer.trace("'Shell_NotifyIconW' version, result: [" + checker::to_string(versioned) +
                          "]");
    return versioned;
}

bool delete_notification(Notifier& notifier, WindowHandle window) {
    notifier.tracer.trace("is due to delete notification");
    NotificationRecord record;
    record.window = window;
    record.id = kTrayIconId;
    const bool deleted = notifier.platform.shell_notify_icon(kNimDelete, record);
    notifier.tracer.trace("'Shell_NotifyIconW' delete, result: [" + checker::to_string(deleted) +
                          "]");
    return deleted;
}

} // namespace notifier
