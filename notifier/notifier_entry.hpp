// The notifier's run from start to exit code: tracing switch, single instance, update decision,
// the message-only window with its tray icon, and the message loop.
#pragma once

#include "notifier-platform.hpp"

namespace notifier {

// Whether the command line ends in -v; the whole line counts, the program path included.
bool tracing_requested(const WideString& command_line);

// The program's entry once the platform is built: 0 for another instance, NOGO and a normal end
// of the loop; 1 when the window class or the window cannot be made.
int run_notifier(NotifierPlatform& platform, InstanceHandle instance);

} // namespace notifier
