#include "notification_bus-posix.hpp"

#include <cerrno>
#include <gio/gio.h>

namespace notifier {

namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr const char* kInterface = "org.freedesktop.Notifications";

struct ErrorFree {
    void operator()(GError* error) const noexcept { g_error_free(error); }
};
struct VariantUnref {
    void operator()(GVariant* value) const noexcept { g_variant_unref(value); }
};
struct ObjectUnref {
    void operator()(gpointer object) const noexcept { g_object_unref(object); }
};
struct TextFree {
    void operator()(gchar* text) const noexcept { g_free(text); }
};

using ErrorPtr = std::unique_ptr<GError, ErrorFree>;
using VariantPtr = std::unique_ptr<GVariant, VariantUnref>;

// Whether the server reads markup in bodies (its "body-markup" capability). A server that does
// not answer is taken to read it: escaped text then shows an entity at worst, where unescaped text
// from version.json could be read as markup.
bool server_reads_body_markup(GDBusConnection* bus) {
    VariantPtr reply(g_dbus_connection_call_sync(bus, kService, kPath, kInterface,
                                                 "GetCapabilities", nullptr, G_VARIANT_TYPE("(as)"),
                                                 G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr));
    if (!reply) {
        return true;
    }
    VariantPtr capabilities(g_variant_get_child_value(reply.get(), 0));
    const gchar* capability = nullptr;
    GVariantIter iter;
    g_variant_iter_init(&iter, capabilities.get());
    bool found = false;
    while (g_variant_iter_next(&iter, "&s", &capability)) {
        found = found || g_strcmp0(capability, "body-markup") == 0;
    }
    return found;
}

// The body as the server is to show it: plain text, escaped when the server reads markup. The
// summary is plain text by the protocol and goes as it is.
std::string plain_body(const std::string& body, bool server_reads_markup) {
    if (!server_reads_markup) {
        return body;
    }
    std::unique_ptr<gchar, TextFree> escaped(
        g_markup_escape_text(body.c_str(), static_cast<gssize>(body.size())));
    return escaped.get();
}

GVariant* build_notify_arguments(const NotificationRequest& request, const std::string& body) {
    GVariantBuilder actions;
    g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
    for (const auto& [key, label] : request.actions) {
        g_variant_builder_add(&actions, "s", key.c_str());
        g_variant_builder_add(&actions, "s", label.c_str());
    }
    GVariantBuilder hints;
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    if (!request.image_path.empty()) {
        g_variant_builder_add(&hints, "{sv}", "image-path",
                              g_variant_new_string(request.image_path.c_str()));
    }
    if (request.suppress_sound) {
        g_variant_builder_add(&hints, "{sv}", "suppress-sound", g_variant_new_boolean(TRUE));
    }
    if (request.resident) {
        g_variant_builder_add(&hints, "{sv}", "resident", g_variant_new_boolean(TRUE));
    }
    if (request.urgency) {
        g_variant_builder_add(&hints, "{sv}", "urgency", g_variant_new_byte(*request.urgency));
    }
    return g_variant_new("(susssasa{sv}i)", request.app_name.c_str(), 0u, request.app_icon.c_str(),
                         request.summary.c_str(), body.c_str(), &actions, &hints,
                         request.expire_timeout);
}

} // namespace

// The private connection with its two signal subscriptions and its closed-signal handler, all
// released before the connection itself.
struct NotificationBus::Connection {
    std::unique_ptr<GDBusConnection, ObjectUnref> bus;
    guint action_subscription = 0;
    guint closed_subscription = 0;
    gulong disconnect_handler = 0;

    ~Connection() {
        g_signal_handler_disconnect(bus.get(), disconnect_handler);
        g_dbus_connection_signal_unsubscribe(bus.get(), action_subscription);
        g_dbus_connection_signal_unsubscribe(bus.get(), closed_subscription);
        g_dbus_connection_close_sync(bus.get(), nullptr, nullptr);
    }
};

namespace {

void deliver(gpointer user_data, const BusEvent& event) {
    try {
        (*static_cast<std::function<void(const BusEvent&)>*>(user_data))(event);
    } catch (...) {
        // Nothing may unwind through GLib's frames; the event is lost.
    }
}

void on_signal(GDBusConnection* /*bus*/, const gchar* /*sender*/, const gchar* /*path*/,
               const gchar* /*interface*/, const gchar* signal, GVariant* parameters,
               gpointer user_data) {
    BusEvent event;
    if (g_strcmp0(signal, "ActionInvoked") == 0 &&
        g_variant_is_of_type(parameters, G_VARIANT_TYPE("(us)"))) {
        const gchar* key = nullptr;
        g_variant_get(parameters, "(u&s)", &event.id, &key);
        event.kind = BusEvent::Kind::action_invoked;
        event.action_key = key;
    } else if (g_strcmp0(signal, "NotificationClosed") == 0 &&
               g_variant_is_of_type(parameters, G_VARIANT_TYPE("(uu)"))) {
        g_variant_get(parameters, "(uu)", &event.id, &event.reason);
        event.kind = BusEvent::Kind::closed;
    } else {
        return;
    }
    deliver(user_data, event);
}

void on_closed(GDBusConnection* /*bus*/, gboolean /*remote_peer_vanished*/, GError* /*error*/,
               gpointer user_data) {
    BusEvent event;
    event.kind = BusEvent::Kind::disconnected;
    deliver(user_data, event);
}

} // namespace

NotificationBus::NotificationBus(std::function<void(const BusEvent&)> sink)
    : sink_(std::move(sink)) {}

NotificationBus::~NotificationBus() = default;

bool NotificationBus::connect() {
    if (connection_) {
        return true;
    }
    GError* raw_error = nullptr;
    std::unique_ptr<gchar, TextFree> address(
        g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, &raw_error));
    ErrorPtr error(raw_error);
    if (!address) {
        return false;
    }
    const auto flags =
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);
    std::unique_ptr<GDBusConnection, ObjectUnref> bus(
        g_dbus_connection_new_for_address_sync(address.get(), flags, nullptr, nullptr, &raw_error));
    error.reset(raw_error);
    if (!bus) {
        return false;
    }
    // Only the owner of the service's name speaks for the notifications.
    auto connection = std::make_unique<Connection>();
    GDBusConnection* handle = bus.get();
    connection->bus = std::move(bus);
    connection->action_subscription = g_dbus_connection_signal_subscribe(
        handle, kService, kInterface, "ActionInvoked", kPath, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        on_signal, &sink_, nullptr);
    connection->closed_subscription = g_dbus_connection_signal_subscribe(
        handle, kService, kInterface, "NotificationClosed", kPath, nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, on_signal, &sink_, nullptr);
    connection->disconnect_handler =
        g_signal_connect(handle, "closed", G_CALLBACK(on_closed), &sink_);
    connection_ = std::move(connection);
    return true;
}

std::optional<std::uint32_t> NotificationBus::notify(const NotificationRequest& request,
                                                     std::uint32_t& error) {
    if (!connect()) {
        error = ENOTCONN;
        return std::nullopt;
    }
    const std::string body =
        plain_body(request.body, server_reads_body_markup(connection_->bus.get()));
    GError* raw_error = nullptr;
    VariantPtr reply(
        g_dbus_connection_call_sync(connection_->bus.get(), kService, kPath, kInterface, "Notify",
                                    build_notify_arguments(request, body), G_VARIANT_TYPE("(u)"),
                                    G_DBUS_CALL_FLAGS_NONE, -1, nullptr, &raw_error));
    ErrorPtr call_error(raw_error);
    if (!reply) {
        error = EIO;
        return std::nullopt;
    }
    std::uint32_t id = 0;
    g_variant_get(reply.get(), "(u)", &id);
    return id;
}

bool NotificationBus::close(std::uint32_t id) {
    if (!connection_) {
        return false;
    }
    VariantPtr reply(g_dbus_connection_call_sync(
        connection_->bus.get(), kService, kPath, kInterface, "CloseNotification",
        g_variant_new("(u)", id), nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr));
    return reply != nullptr;
}

} // namespace notifier
