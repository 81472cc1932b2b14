// The notifier's platform on Windows: every operation is the Win32 call it is named after, with
// the logic's numbers passed on unchanged. The object owns the icons and images it loads and
// remembers which procedure each window class it registered belongs to.
#pragma once

#include "notifier-platform.hpp"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace notifier {

class DesktopPlatform final : public NotifierPlatform {
public:
    DesktopPlatform() = default;
    DesktopPlatform(const DesktopPlatform&) = delete;
    DesktopPlatform& operator=(const DesktopPlatform&) = delete;

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
    // DestroyIcon, or for an image the release that its type needs.
    struct IconRelease {
        void operator()(void* icon) const noexcept;
    };
    struct ImageRelease {
        std::uint32_t type;
        void operator()(void* image) const noexcept;
    };

    // Keeps the system's code of the call that just failed for last_error().
    void keep_last_error();

    std::uint32_t last_error_ = 0;
    std::map<WideString, WindowProcedure*> class_procedures_;
    std::vector<std::unique_ptr<void, IconRelease>> icons_;
    std::vector<std::unique_ptr<void, ImageRelease>> images_;
};

} // namespace notifier
