#include "checker/trace_text.hpp"

#include "support/encoding.hpp"

namespace checker {

std::string to_valid_utf8(const std::string& text) {
    return narrow(widen(text));
}

void trace(Tracer& tracer, const std::string& message) {
    if (tracer.is_enabled()) {
        tracer.trace(to_valid_utf8(message));
    }
}

} // namespace checker
