// The notification-area icon on a Linux desktop: adding the icon shows its balloon as a desktop
// notification, and the notification's signals come back as the icon's callback message.
#pragma once

#include "message_pump-posix.hpp"
#include "notification_bus-posix.hpp"
#include "resource_files-posix.hpp"
#include "shell_types.hpp"

#include <cstdint>
#include <vector>

namespace notifier {

class TrayIcons {
public:
    TrayIcons(NotificationBus& bus, MessagePump& pump, const ResourceFiles& resources);

    // Shell_NotifyIconW: NIM_ADD, NIM_SETVERSION and NIM_DELETE; false with an errno code in
    // error otherwise.
    bool notify(std::uint32_t command, const NotificationRecord& record, std::uint32_t& error);
    // Turns a signal about a balloon into the icon's callback message.
    void on_bus_event(const BusEvent& event);

private:
    struct Icon {
        WindowHandle window;
        std::uint32_t id;
        std::uint32_t callback_message;
        std::uint32_t notification;
        bool balloon_shown;
    };

    bool add(const NotificationRecord& record, std::uint32_t& error);
    bool remove(const NotificationRecord& record, std::uint32_t& error);
    std::vector<Icon>::iterator find(const NotificationRecord& record);
    void post_event(const Icon& icon, std::uint32_t event);

    NotificationBus& bus_;
    MessagePump& pump_;
    const ResourceFiles& resources_;
    std::vector<Icon> icons_;
};

} // namespace notifier
