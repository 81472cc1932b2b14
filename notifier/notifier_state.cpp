#include "notifier_state.hpp"

#include "shell_constants.hpp"
#include "update_dialog.hpp"
#include "window_procedure.hpp"

#include <exception>

namespace notifier {

Notifier::Notifier(NotifierPlatform& platform_interface)
    : platform(platform_interface),
      window_class_name(checker::widen("e48e2be7-451e-48e5-8889-8c97c1485340")) {}

std::intptr_t Notifier::handle_message(WindowHandle window, std::uint32_t message,
                                       std::uintptr_t wparam, std::intptr_t lparam) {
    try {
        return window_procedure(*this, window, message, wparam, lparam);
    } catch (const std::exception&) {
        // A window whose creation failed half-way must not live on.
        return message == kWmCreate ? -1 : 0;
    }
}

std::int32_t Notifier::handle_notification(WindowHandle dialog, std::uint32_t code,
                                           std::uintptr_t wparam, std::intptr_t lparam) {
    try {
        return update_dialog_callback(*this, dialog, code, wparam, lparam);
    } catch (const std::exception&) {
        return kSOk;
    }
}

} // namespace notifier
