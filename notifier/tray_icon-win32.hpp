// The notification-area icon on Windows: the logic's record handed to the shell.
#pragma once

#include "shell_types.hpp"

#include <cstdint>

namespace notifier {

// Shell_NotifyIconW with the record as NOTIFYICONDATAW in its full (Vista) size.
bool notify_shell(std::uint32_t command, const NotificationRecord& record);

} // namespace notifier
