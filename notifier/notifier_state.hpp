// The process-wide state of one notifier run: the platform it talks through, the tracer, the texts
// the update decision found, and the flag that keeps the update dialog to one. The entry owns it;
// the platform calls back into it as the window procedure and the update dialog's callback.
#pragma once

#include "notifier-platform.hpp"
#include "shell_types.hpp"
#include "support/tracer.hpp"

#include <cstdint>

namespace notifier {

class Notifier final : public WindowProcedure, public TaskDialogCallback {
public:
    explicit Notifier(NotifierPlatform& platform_interface);
    Notifier(const Notifier&) = delete;
    Notifier& operator=(const Notifier&) = delete;

    // The platform calls these from its own frames, so nothing may escape them.
    std::intptr_t handle_message(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                                 std::intptr_t lparam) override;
    std::int32_t handle_notification(WindowHandle dialog, std::uint32_t code, std::uintptr_t wparam,
                                     std::intptr_t lparam) override;

    NotifierPlatform& platform;
    checker::Tracer tracer{false};
    InstanceHandle instance = InstanceHandle::none;
    const WideString window_class_name;
    WideString balloon_text;
    WideString update_header;
    WideString update_text;
    WideString balloon_icon_path;
    bool update_dialog_shown = false;
};

} // namespace notifier
