// What text encoding needs from the system: a transcoder in each direction and the system's message
// for an error code. Implemented once per platform (encoding-posix.cpp, encoding-win32.cpp).
#pragma once

#include "encoding.hpp"

#include <cstdint>
#include <optional>

namespace checker::platform {

// Like WideCharToMultiByte/MultiByteToWideChar with CP_UTF8 and no flags: with no output buffer
// (capacity 0) the count needed; otherwise the count written. 0 on failure, code in last_error().
int utf16_to_utf8(const WideChar* input, int input_length, char* output, int capacity);
int utf8_to_utf16(const char* input, int input_length, WideChar* output, int capacity);

// The failure code of the preceding platform call on this thread (GetLastError / errno).
std::uint32_t last_error();

// The system's message for an error code, its closing line end removed. nullopt when the system
// has no message; last_error() then tells why.
std::optional<WideString> system_message(std::uint32_t code);

} // namespace checker::platform
