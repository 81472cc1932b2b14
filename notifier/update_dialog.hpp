// The update dialog that leads to the download page, its callback, and the error dialog shown
// when the browser cannot be started.
#pragma once

#include "notifier_state.hpp"

#include <cstdint>

namespace notifier {

// Shows the dialog unless it was shown before in this run; destroys the window once it closed.
void show_update_dialog(Notifier& notifier, WindowHandle window);
// Opens the link in the browser and closes the dialog; every other notification is only traced.
// Always S_OK.
std::int32_t update_dialog_callback(Notifier& notifier, WindowHandle dialog, std::uint32_t code,
                                    std::uintptr_t wparam, std::intptr_t lparam);

} // namespace notifier
