// Window classes and message-only windows on Windows whose messages reach a WindowProcedure
// object. The system calls one static procedure for every window of such a class; the object is
// handed to each window as its creation parameter and kept in the window's user data, so that
// WM_CREATE and everything after it reach the object. Messages that arrive before WM_NCCREATE
// (WM_GETMINMAXINFO) get the default processing.
#pragma once

#include "shell_types.hpp"

#include <cstdint>

namespace notifier {

// RegisterClassExW with the class's instance, icon and name and the routing procedure.
bool register_routed_class(const WindowClass& window_class);

// CreateWindowExW of a message-only window (parent HWND_MESSAGE) of a class registered above,
// with procedure as its creation parameter. Null when the class is unknown or the procedure
// refused WM_CREATE.
WindowHandle create_routed_window(const WideString& class_name, InstanceHandle instance,
                                  WindowProcedure& procedure);

} // namespace notifier
