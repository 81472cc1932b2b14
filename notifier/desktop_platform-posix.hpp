// The notifier's platform on a Linux desktop: Windows' operations kept by their contracts on top
// of the session bus's notification service, a lock file, files beside the executable and a
// message queue on the GLib main loop.
#pragma once

#include "dialogs-posix.hpp"
#include "message_pump-posix.hpp"
#include "notification_bus-posix.hpp"
#include "notifier-platform.hpp"
#include "resource_files-posix.hpp"
#include "tray_icon-posix.hpp"

#include <string>
#include <vector>

namespace notifier {

class DesktopPlatform final : public NotifierPlatform {
public:
    // arguments: the program path and its arguments, as main received them. resource_directory
    // holds the icon files and ends in a separator.
    DesktopPlatform(std::vector<std::string> arguments, std::string resource_directory);

    WideString command_line() override;
    std::uint32_t process_id() override;
    std::uint32_t last_error() override;
    bool is_already_exists(std::uint32_t code) override;
    std::unique_ptr<MutexHandle> create_mutex(const WideString& name) override;
    int load_string(InstanceHandle instance, std::uint32_t id, WideChar* buffer,
                    int capacity) override;
    IconHandle load_icon(InstanceHandle instance, std::uint16_t id) override;
    std::int32_t load_icon_metric(InstanceHandle instance, std::uint16_t id, std::int32_t metric,
                                  IconHandle& icon) override;
    ImageHandle load_image(const WideString& path, std::uint32_t type, int width, int height,
                           std::uint32_t load_flags) override;
    bool register_window_class(const WindowClass& window_class) override;
    WindowHandle create_message_window(const WideString& class_name,
                                       InstanceHandle instance) override;
    bool destroy_window(WindowHandle window) override;
    std::intptr_t default_window_procedure(WindowHandle window, std::uint32_t message,
                                           std::uintptr_t wparam, std::intptr_t lparam) override;
    void post_quit_message(int exit_code) override;
    int get_message(Message& message) override;
    void dispatch_message(const Message& message) override;
    bool shell_notify_icon(std::uint32_t command, const NotificationRecord& record) override;
    std::int32_t task_dialog_indirect(const TaskDialogConfig& config) override;
    std::int32_t task_dialog(const MessageDialog& dialog) override;
    std::intptr_t shell_execute(const WideString& address, int show_command) override;

private:
    void on_bus_event(const BusEvent& event);

    std::vector<std::string> arguments_;
    std::uint32_t last_error_ = 0;
    ResourceFiles resources_;
    MessagePump pump_;
    // The bus is declared before its users, so that they are gone before it.
    NotificationBus bus_;
    TrayIcons tray_;
    Dialogs dialogs_;
};

} // namespace notifier
