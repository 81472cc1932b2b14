// UTF-8/UTF-16 transcoding with the contract of the Win32 calls without a strictness flag:
// ill-formed input becomes U+FFFD (one per maximal ill-formed subpart) and the call succeeds.
#include "encoding-platform.hpp"

#include <cerrno>
#include <cstring>

namespace checker::platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point at input[pos]; advances pos past the maximal subpart it consumed.
char32_t decode_utf8(const unsigned char* input, int length, int& pos) {
    const unsigned char lead = input[pos++];
    if (lead < 0x80) {
        return lead;
    }
    int trailing = 0;
    char32_t code = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        trailing = 1;
        code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trailing = 2;
        code = lead & 0x0Fu;
        if (lead == 0xE0) {
            low = 0xA0;
        } else if (lead == 0xED) {
            high = 0x9F; // no encoded surrogates
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trailing = 3;
        code = lead & 0x07u;
        if (lead == 0xF0) {
            low = 0x90;
        } else if (lead == 0xF4) {
            high = 0x8F;
        }
    } else {
        return kReplacement;
    }
    for (int i = 0; i < trailing; ++i) {
        if (pos >= length || input[pos] < low || input[pos] > high) {
            return kReplacement;
        }
        code = (code << 6) | (input[pos++] & 0x3Fu);
        low = 0x80;
        high = 0xBF;
    }
    return code;
}

// Decodes one code point at input[pos]; an unpaired surrogate becomes U+FFFD.
char32_t decode_utf16(const WideChar* input, int length, int& pos) {
    const auto unit = static_cast<char32_t>(input[pos++]);
    if (unit < 0xD800 || unit > 0xDFFF) {
        return unit;
    }
    if (unit <= 0xDBFF && pos < length) {
        const auto next = static_cast<char32_t>(input[pos]);
        if (next >= 0xDC00 && next <= 0xDFFF) {
            ++pos;
            return 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
        }
    }
    return kReplacement;
}

// Appends through a bounded cursor; counting only when there is no output buffer.
template <typename Unit> class Output {
public:
    Output(Unit* buffer, int capacity) : buffer_(buffer), capacity_(capacity) {}
    bool put(Unit unit) {
        if (buffer_ != nullptr) {
            if (count_ >= capacity_) {
                return false;
            }
            buffer_[count_] = unit;
        }
        ++count_;
        return true;
    }
    int count() const { return count_; }

private:
    Unit* buffer_;
    int capacity_;
    int count_ = 0;
};

bool put_utf8(Output<char>& out, char32_t code) {
    auto byte = [](char32_t value) { return static_cast<char>(static_cast<unsigned char>(value)); };
    if (code < 0x80) {
        return out.put(byte(code));
    }
    if (code < 0x800) {
        return out.put(byte(0xC0 | (code >> 6))) && out.put(byte(0x80 | (code & 0x3F)));
    }
    if (code < 0x10000) {
        return out.put(byte(0xE0 | (code >> 12))) && out.put(byte(0x80 | ((code >> 6) & 0x3F))) &&
               out.put(byte(0x80 | (code & 0x3F)));
    }
    return out.put(byte(0xF0 | (code >> 18))) && out.put(byte(0x80 | ((code >> 12) & 0x3F))) &&
           out.put(byte(0x80 | ((code >> 6) & 0x3F))) && out.put(byte(0x80 | (code & 0x3F)));
}

bool put_utf16(Output<WideChar>& out, char32_t code) {
    if (code < 0x10000) {
        return out.put(static_cast<WideChar>(code));
    }
    code -= 0x10000;
    return out.put(static_cast<WideChar>(0xD800 + (code >> 10))) &&
           out.put(static_cast<WideChar>(0xDC00 + (code & 0x3FF)));
}

bool arguments_valid(const void* input, int input_length, const void* output, int capacity) {
    return input != nullptr && input_length > 0 && capacity >= 0 &&
           (output != nullptr || capacity == 0);
}

} // namespace

int utf16_to_utf8(const WideChar* input, int input_length, char* output, int capacity) {
    if (!arguments_valid(input, input_length, output, capacity)) {
        errno = EINVAL;
        return 0;
    }
    Output<char> out(output, capacity);
    for (int pos = 0; pos < input_length;) {
        if (!put_utf8(out, decode_utf16(input, input_length, pos))) {
            errno = E2BIG;
            return 0;
        }
    }
    return out.count();
}

int utf8_to_utf16(const char* input, int input_length, WideChar* output, int capacity) {
    if (!arguments_valid(input, input_length, output, capacity)) {
        errno = EINVAL;
        return 0;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(input);
    Output<WideChar> out(output, capacity);
    for (int pos = 0; pos < input_length;) {
        if (!put_utf16(out, decode_utf8(bytes, input_length, pos))) {
            errno = E2BIG;
            return 0;
        }
    }
    return out.count();
}

std::uint32_t last_error() {
    return static_cast<std::uint32_t>(errno);
}

std::optional<WideString> system_message(std::uint32_t code) {
    // strerrordesc_np knows no text for unknown codes, where strerror would invent one.
    const char* text = code > static_cast<std::uint32_t>(__INT_MAX__)
                           ? nullptr
                           : strerrordesc_np(static_cast<int>(code));
    if (text == nullptr) {
        errno = EINVAL;
        return std::nullopt;
    }
    const int length = static_cast<int>(std::strlen(text));
    WideString message(static_cast<std::size_t>(length), WideChar{0});
    const int written = utf8_to_utf16(text, length, message.data(), length);
    message.resize(static_cast<std::size_t>(written));
    return message;
}

} // namespace checker::platform
