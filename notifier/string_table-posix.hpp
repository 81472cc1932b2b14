// The string table compiled into the Linux build (the Windows build has it as a resource).
#pragma once

#include "shell_types.hpp"

#include <cstdint>

namespace notifier {

// LoadStringW's contract: at most capacity - 1 characters and a NUL are copied; the count copied,
// 0 when the string is missing or empty or there is no room.
int copy_table_string(std::uint32_t id, WideChar* buffer, int capacity);

} // namespace notifier
