// The notification-area icon with its balloon: added when the notifier's window is created,
// removed when it is destroyed.
#pragma once

#include "notifier_state.hpp"
#include "shell_types.hpp"

namespace notifier {

// The icon's identifier within its window.
constexpr std::uint32_t kTrayIconId = 1;

// True once the icon is in the tray with version 4 behaviour. A failure part-way leaves what was
// already loaded (and possibly the icon itself) in place.
bool add_notification(Notifier& notifier, WindowHandle window);
// Whether the shell removed the icon; callers ignore it.
bool delete_notification(Notifier& notifier, WindowHandle window);

// Copies text with its NUL into field; false, leaving the field empty, when it does not fit.
template <std::size_t N> bool copy_bounded(std::array<WideChar, N>& field, const WideString& text) {
    field.fill(0);
    if (text.size() >= N) {
        return false;
    }
    text.copy(field.data(), text.size());
    return true;
}

} // namespace notifier
