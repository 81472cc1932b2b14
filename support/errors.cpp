#include "errors.hpp"

#include <cerrno>
#include <cstdlib>

namespace checker {

namespace {

// Converts like strtoll with base 0; false on a range error or when the text is not consumed whole.
bool convert_signed64(const std::string& text, long long& value) {
    errno = 0;
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 0);
    return errno != ERANGE && end == text.c_str() + text.size();
}

} // namespace

std::uint32_t parse_uint32(const std::string& text) {
    long long value = 0;
    if (!convert_signed64(text, value)) {
        throw CheckerException("Cannot parse uint32_t from string: [" + text + "]");
    }
    const auto unsigned_value = static_cast<std::uint64_t>(value);
    if (unsigned_value > 4294967295ULL) {
        throw CheckerException("Value overflow for uint32_t from string: [" + text + "]");
    }
    return static_cast<std::uint32_t>(unsigned_value);
}

std::uint64_t parse_uint64(const std::string& text) {
    long long value = 0;
    if (!convert_signed64(text, value)) {
        throw CheckerException("Cannot parse uint64_t from string: [" + text + "]");
    }
    if (value < 0) {
        throw CheckerException("Invalid negative value for uint64_t from string: [" + text + "]");
    }
    return static_cast<std::uint64_t>(value);
}

bool starts_with(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

bool ends_with(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string& pad_left(std::string& text, std::size_t width, char fill) {
    if (text.size() < width) {
        text.insert(0, width - text.size(), fill);
    }
    return text;
}

std::vector<std::string> split(const std::string& text, char delimiter) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(delimiter, start);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (end > start) {
            pieces.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return pieces;
}

} // namespace checker
