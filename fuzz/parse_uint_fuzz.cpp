// parse_uint32 and parse_uint64 against a reference written from their rules: the C library's
// signed 64-bit conversion with automatic base (blanks, sign, 0x and 0 prefixes, ERANGE), the
// whole text consumed, then the uint32 overflow and the uint64 negative rule.
#include "fuzz/fuzz_support.hpp"
#include "support/errors.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace checker::fuzz {
namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int digit_value(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'Z') {
        return c - 'A' + 10;
    }
    return 99;
}

// The value when the conversion succeeds and consumes the whole text; nothing otherwise.
std::optional<long long> reference_convert(const std::string& text) {
    // The C function sees the text up to its first NUL only.
    const std::size_t visible =
        text.find('\0') == std::string::npos ? text.size() : text.find('\0');
    auto at = [&](std::size_t i) { return i < visible ? text[i] : '\0'; };
    std::size_t i = 0;
    while (is_blank(at(i))) {
        ++i;
    }
    bool negative = false;
    if (at(i) == '+' || at(i) == '-') {
        negative = at(i) == '-';
        ++i;
    }
    int base = 10;
    if (at(i) == '0' && (at(i + 1) == 'x' || at(i + 1) == 'X') && digit_value(at(i + 2)) < 16) {
        base = 16;
        i += 2;
    } else if (at(i) == '0') {
        base = 8;
    }
    const std::size_t first_digit = i;
    // Magnitudes above 2^63 are out of range for either sign; they stop growing there.
    constexpr std::uint64_t kCeiling = 9223372036854775808ULL;
    std::uint64_t magnitude = 0;
    bool too_large = false;
    while (digit_value(at(i)) < base) {
        const auto digit = static_cast<std::uint64_t>(digit_value(at(i)));
        const auto radix = static_cast<std::uint64_t>(base);
        if (too_large || magnitude > (kCeiling - digit) / radix) {
            too_large = true;
        } else {
            magnitude = magnitude * radix + digit;
        }
        ++i;
    }
    // Without a digit nothing is converted and the end is the start of the text.
    const std::size_t end = i == first_digit ? 0 : i;
    const std::uint64_t largest = negative ? kCeiling : kCeiling - 1;
    if (too_large || magnitude > largest || end != text.size()) {
        return std::nullopt;
    }
    if (negative) {
        return magnitude == kCeiling ? static_cast<long long>(-9223372036854775807LL - 1)
                                     : -static_cast<long long>(magnitude);
    }
    return static_cast<long long>(magnitude);
}

Outcome as_outcome(std::uint64_t value) {
    Outcome outcome;
    outcome.value.reset(json_integer(static_cast<json_int_t>(value)));
    return outcome;
}

// what() is a C string: a message that quotes a text holding NUL ends at that NUL.
Outcome thrown(const std::string& message) {
    Outcome outcome;
    outcome.threw = true;
    outcome.message = message.substr(0, message.find('\0'));
    return outcome;
}

Outcome reference_uint32(const std::string& text) {
    const auto value = reference_convert(text);
    if (!value) {
        return thrown("Cannot parse uint32_t from string: [" + text + "]");
    }
    // A negative number seen as unsigned 64 bits is always above the uint32 range.
    if (*value < 0 || *value > 4294967295LL) {
        return thrown("Value overflow for uint32_t from string: [" + text + "]");
    }
    return as_outcome(static_cast<std::uint64_t>(*value));
}

Outcome reference_uint64(const std::string& text) {
    const auto value = reference_convert(text);
    if (!value) {
        return thrown("Cannot parse uint64_t from string: [" + text + "]");
    }
    if (*value < 0) {
        return thrown("Invalid negative value for uint64_t from string: [" + text + "]");
    }
    return as_outcome(static_cast<std::uint64_t>(*value));
}

} // namespace
} // namespace checker::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace checker;
    using namespace checker::fuzz;
    const std::string text(reinterpret_cast<const char*>(data), size);
    check_same(capture([&] { return as_outcome(parse_uint32(text)).value; }),
               reference_uint32(text), "parse_uint32 of [" + text + "]");
    check_same(capture([&] { return as_outcome(parse_uint64(text)).value; }),
               reference_uint64(text), "parse_uint64 of [" + text + "]");
    return 0;
}
