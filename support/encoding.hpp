// The only conversions between the programs' UTF-8 text and the platform's UTF-16 text, and the
// bracketed text of a platform error code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace checker {

// UTF-16 text as the platform takes it: wchar_t is 16 bits on Windows; elsewhere char16_t.
#ifdef _WIN32
using WideChar = wchar_t;
#else
using WideChar = char16_t;
#endif
using WideString = std::basic_string<WideChar>;

// Ill-formed input becomes U+FFFD; NUL is converted like any other character.
std::string narrow(const WideChar* text, std::size_t length);
std::string narrow(const WideString& text);
WideString widen(const std::string& text);

// "code: [N], message: [system text]"; empty for code 0; never throws.
std::string errcode_to_string(std::uint32_t code);

} // namespace checker
