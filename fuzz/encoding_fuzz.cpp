// narrow and widen against a reference transcoder written from Unicode's rules (the well-formed
// byte sequences of its Table 3-7, one U+FFFD per maximal subpart of an ill-formed sequence, one
// per unpaired surrogate), and the round trips that valid text must survive byte for byte.
#include "fuzz/fuzz_support.hpp"
#include "support/encoding.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace checker::fuzz {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// A lead byte, how many bytes its sequence has and the range its second byte must be in.
struct LeadRow {
    std::uint8_t first;
    std::uint8_t last;
    int length;
    std::uint8_t second_low;
    std::uint8_t second_high;
};

constexpr std::array<LeadRow, 9> kLeads{{
    {0x00, 0x7F, 1, 0, 0},
    {0xC2, 0xDF, 2, 0x80, 0xBF},
    {0xE0, 0xE0, 3, 0xA0, 0xBF},
    {0xE1, 0xEC, 3, 0x80, 0xBF},
    {0xED, 0xED, 3, 0x80, 0x9F},
    {0xEE, 0xEF, 3, 0x80, 0xBF},
    {0xF0, 0xF0, 4, 0x90, 0xBF},
    {0xF1, 0xF3, 4, 0x80, 0xBF},
    {0xF4, 0xF4, 4, 0x80, 0x8F},
}};

struct Decoded {
    std::vector<char32_t> code_points;
    bool well_formed = true;
};

Decoded decode_utf8(const std::string& bytes) {
    Decoded result;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<std::uint8_t>(bytes[i]);
        const LeadRow* row = nullptr;
        for (const LeadRow& candidate : kLeads) {
            if (lead >= candidate.first && lead <= candidate.last) {
                row = &candidate;
            }
        }
        if (row == nullptr) {
            result.code_points.push_back(kReplacement);
            result.well_formed = false;
            ++i;
            continue;
        }
        const std::uint8_t lead_bits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
        char32_t code = lead & lead_bits[row->length];
        int taken = 1;
        for (; taken < row->length && i + static_cast<std::size_t>(taken) < bytes.size(); ++taken) {
            const auto next = static_cast<std::uint8_t>(bytes[i + static_cast<std::size_t>(taken)]);
            const std::uint8_t low = taken == 1 ? row->second_low : 0x80;
            const std::uint8_t high = taken == 1 ? row->second_high : 0xBF;
            if (next < low || next > high) {
                break;
            }
            code = (code << 6) | (next & 0x3Fu);
        }
        if (taken < row->length) {
            // The bytes that were a valid beginning form one maximal subpart: one replacement.
            result.code_points.push_back(kReplacement);
            result.well_formed = false;
        } else {
            result.code_points.push_back(code);
        }
        i += static_cast<std::size_t>(taken);
    }
    return result;
}

Decoded decode_utf16(const WideString& units) {
    Decoded result;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char32_t unit = units[i];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            result.code_points.push_back(0x10000 + ((unit - 0xD800) << 10) +
                                         (static_cast<char32_t>(units[i + 1]) - 0xDC00));
            ++i;
        } else if (high || low) {
            result.code_points.push_back(kReplacement);
            result.well_formed = false;
        } else {
            result.code_points.push_back(unit);
        }
    }
    return result;
}

std::string encode_utf8(const std::vector<char32_t>& code_points) {
    std::string out;
    for (const char32_t c : code_points) {
        auto put = [&out](char32_t byte) { out.push_back(static_cast<char>(byte)); };
        if (c < 0x80) {
            put(c);
        } else if (c < 0x800) {
            put(0xC0 | (c >> 6));
            put(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            put(0xE0 | (c >> 12));
            put(0x80 | ((c >> 6) & 0x3F));
            put(0x80 | (c & 0x3F));
        } else {
            put(0xF0 | (c >> 18));
            put(0x80 | ((c >> 12) & 0x3F));
            put(0x80 | ((c >> 6) & 0x3F));
            put(0x80 | (c & 0x3F));
        }
    }
    return out;
}

WideString encode_utf16(const std::vector<char32_t>& code_points) {
    WideString out;
    for (const char32_t c : code_points) {
        if (c < 0x10000) {
            out.push_back(static_cast<WideChar>(c));
        } else {
            out.push_back(static_cast<WideChar>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<WideChar>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        }
    }
    return out;
}

std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        out += digits[static_cast<std::uint8_t>(c) >> 4];
        out += digits[static_cast<std::uint8_t>(c) & 0xF];
    }
    return out;
}

void check_utf8_input(const std::string& bytes) {
    const Decoded reference = decode_utf8(bytes);
    const WideString wide = widen(bytes);
    check(wide == encode_utf16(reference.code_points),
          "widen differs from the reference: " + hex(bytes));
    const std::string back = narrow(wide);
    check(back == encode_utf8(reference.code_points),
          "narrow(widen) is not the repaired text: " + hex(bytes));
    if (reference.well_formed) {
        check(back == bytes, "valid UTF-8 did not survive the round trip: " + hex(bytes));
    }
}

void check_utf16_input(const WideString& units, const std::string& origin) {
    const Decoded reference = decode_utf16(units);
    const std::string narrowed = narrow(units.data(), units.size());
    check(narrowed == encode_utf8(reference.code_points),
          "narrow differs from the reference: " + origin);
    check(narrow(units) == narrowed, "the two narrow overloads disagree: " + origin);
    const WideString back = widen(narrowed);
    check(back == encode_utf16(reference.code_points),
          "widen(narrow) is not the repaired text: " + origin);
    if (reference.well_formed) {
        check(back == units, "valid UTF-16 did not survive the round trip: " + origin);
    }
}

} // namespace
} // namespace checker::fuzz

// Byte 0 picks the input's encoding; the rest is UTF-8 bytes or little-endian UTF-16 units.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace checker;
    using namespace checker::fuzz;
    if (size == 0) {
        return 0;
    }
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    if ((data[0] & 1u) == 0) {
        check_utf8_input(rest);
    } else {
        WideString units;
        for (std::size_t i = 0; i + 1 < rest.size(); i += 2) {
            units.push_back(static_cast<WideChar>(static_cast<std::uint8_t>(rest[i]) |
                                                  (static_cast<std::uint8_t>(rest[i + 1]) << 8)));
        }
        check_utf16_input(units, hex(rest));
    }
    return 0;
}
