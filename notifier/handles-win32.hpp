// The Windows layer's conversions between the logic's opaque handles and the system's handle
// types: one to one, the null handle being zero on both sides.
#pragma once

#include "shell_types.hpp"

#include <cstdint>
#include <windows.h>

namespace notifier {

template <typename Handle, typename System> Handle to_handle(System system) {
    return static_cast<Handle>(reinterpret_cast<std::uintptr_t>(system));
}

template <typename System, typename Handle> System to_system(Handle handle) {
    return reinterpret_cast<System>(static_cast<std::uintptr_t>(handle));
}

inline HWND to_hwnd(WindowHandle window) {
    return to_system<HWND>(window);
}

inline HINSTANCE to_hinstance(InstanceHandle instance) {
    return to_system<HINSTANCE>(instance);
}

// The text of an optional field: an empty text is no text (a null pointer).
inline const wchar_t* optional_text(const WideString& text) {
    return text.empty() ? nullptr : text.c_str();
}

} // namespace notifier
