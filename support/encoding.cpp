#include "encoding.hpp"

#include "encoding-platform.hpp"
#include "errors.hpp"

#include <climits>

namespace checker {

std::string narrow(const WideChar* text, std::size_t length) {
    if (length == 0) {
        return {};
    }
    const int input_length = length > INT_MAX ? 0 : static_cast<int>(length);
    const int needed = platform::utf16_to_utf8(text, input_length, nullptr, 0);
    if (needed == 0) {
        throw CheckerException("Error on string narrow calculation, string length: [" +
                               to_string(length) + "], error code: [" +
                               to_string(platform::last_error()) + "]");
    }
    std::string result(static_cast<std::size_t>(needed), '\0');
    const int written = platform::utf16_to_utf8(text, input_length, result.data(), needed);
    if (written != needed) {
        throw CheckerException("Error on string narrow execution, string length: [" +
                               to_string(length) + "], error code: [" +
                               to_string(platform::last_error()) + "]");
    }
    return result;
}

std::string narrow(const WideString& text) {
    return narrow(text.data(), text.size());
}

WideString widen(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int input_length = text.size() > INT_MAX ? 0 : static_cast<int>(text.size());
    const int needed = platform::utf8_to_utf16(text.data(), input_length, nullptr, 0);
    if (needed == 0) {
        throw CheckerException("Error on string widen calculation, string: [" + text +
                               "], error: [" + errcode_to_string(platform::last_error()) + "]");
    }
    WideString result(static_cast<std::size_t>(needed), WideChar{0});
    const int written = platform::utf8_to_utf16(text.data(), input_length, result.data(), needed);
    if (written != needed) {
        throw CheckerException("Error on string widen execution, string: [" + text + "], error: [" +
                               errcode_to_string(platform::last_error()) + "]");
    }
    return result;
}

std::string errcode_to_string(std::uint32_t code) {
    if (code == 0) {
        return {};
    }
    const auto message = platform::system_message(code);
    if (!message) {
        return "Cannot format code: [" + to_string(code) + "] into message, error code: [" +
               to_string(platform::last_error()) + "]";
    }
    try {
        return "code: [" + to_string(code) + "], message: [" + narrow(*message) + "]";
    } catch (const std::exception& e) {
        return "Cannot format code: [" + to_string(code) + "] into message, narrow error: [" +
               e.what() + "]";
    }
}

} // namespace checker
