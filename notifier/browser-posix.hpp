// Opening an address in the user's default web browser on Linux.
#pragma once

#include <cstdint>
#include <string>

namespace notifier {

// ShellExecuteW's contract: above 32 once the browser has been started; 31 (no association) when
// no application handles the address, 2 when the one that does could not be started.
std::intptr_t open_in_browser(const std::string& address);

} // namespace notifier
