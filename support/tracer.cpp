#include "tracer.hpp"

#include "errors.hpp"
#include "files.hpp"

namespace checker {

Tracer::Tracer(bool enabled) : enabled_(enabled), document_(create_json_object()) {}

void Tracer::trace(const std::string& message) {
    if (!enabled_) {
        return;
    }
    const std::string key = current_datetime() + "_" + to_string(++counter_);
    set_json_string(document_, key, message);
}

} // namespace checker
