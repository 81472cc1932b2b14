// The client side of org.freedesktop.Notifications on the session bus: it shows and closes
// notifications and hands the server's signals on as events. The connection is made on first use
// and is private to this object.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace notifier {

struct NotificationRequest {
    std::string app_name;
    std::string app_icon;
    std::string summary;
    std::string body;
    // Pairs of action key and label.
    std::vector<std::pair<std::string, std::string>> actions;
    std::string image_path;
    bool suppress_sound = false;
    bool resident = false;
    std::optional<std::uint8_t> urgency;
    // Milliseconds; -1 leaves it to the server, 0 never expires.
    std::int32_t expire_timeout = -1;
};

struct BusEvent {
    enum class Kind { action_invoked, closed, disconnected };
    Kind kind = Kind::closed;
    std::uint32_t id = 0;
    std::string action_key;
    // NotificationClosed's reason: 1 expired, 2 dismissed, 3 closed by a call, 4 other.
    std::uint32_t reason = 0;
};

constexpr std::uint32_t kClosedByCall = 3;

class NotificationBus {
public:
    // The sink receives every event; it runs from the GLib main loop and must not throw.
    explicit NotificationBus(std::function<void(const BusEvent&)> sink);
    ~NotificationBus();
    NotificationBus(const NotificationBus&) = delete;
    NotificationBus& operator=(const NotificationBus&) = delete;

    // The server's id for the new notification, or nullopt when there is no session bus or no
    // server (error then tells which: ENOTCONN or EIO).
    std::optional<std::uint32_t> notify(const NotificationRequest& request, std::uint32_t& error);
    bool close(std::uint32_t id);

private:
    struct Connection;
    bool connect();

    std::function<void(const BusEvent&)> sink_;
    std::unique_ptr<Connection> connection_;
};

} // namespace notifier
