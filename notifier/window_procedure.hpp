// The procedure of the notifier's message-only window: it adds and removes the tray icon and
// turns the tray's events into the update dialog or the end of the run.
#pragma once

#include "notifier_state.hpp"

#include <cstdint>

namespace notifier {

std::intptr_t window_procedure(Notifier& notifier, WindowHandle window, std::uint32_t message,
                               std::uintptr_t wparam, std::intptr_t lparam);

} // namespace notifier
