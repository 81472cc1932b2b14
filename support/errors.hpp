// The one exception type of both programs and the small text functions that messages and values
// are built from.
#pragma once

#include <cstdint>
#include <exception>
#include <sstream>
#include <string>
#include <vector>

namespace checker {

// Carries a fully composed UTF-8 message; there is no code and no nested cause.
class CheckerException : public std::exception {
public:
    explicit CheckerException(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// Decimal text in the classic locale; bool gives 1 or 0.
template <typename T> std::string to_string(const T& value) {
    std::ostringstream stream;
    stream << value;
    return stream.str();
}

// strtoll with base 0 over the whole text, then range checks of the target type.
std::uint32_t parse_uint32(const std::string& text);
std::uint64_t parse_uint64(const std::string& text);

bool starts_with(const std::string& text, const std::string& prefix);
bool ends_with(const std::string& text, const std::string& suffix);
std::string& pad_left(std::string& text, std::size_t width, char fill);
// Empty pieces (leading, trailing or doubled delimiters) are dropped.
std::vector<std::string> split(const std::string& text, char delimiter);

} // namespace checker
