// The in-memory trace of a run: one JSON member per message under a time-and-counter key.
#pragma once

#include "json.hpp"

#include <cstdint>
#include <string>

namespace checker {

class Tracer {
public:
    explicit Tracer(bool enabled);
    Tracer(const Tracer&) = delete;
    Tracer& operator=(const Tracer&) = delete;

    // Records nothing while disabled. Throws when the message is not valid UTF-8, after the
    // counter has advanced.
    void trace(const std::string& message);
    bool is_enabled() const { return enabled_; }
    void set_enabled(bool enabled) { enabled_ = enabled; }
    const JsonPtr& document() const { return document_; }

private:
    bool enabled_;
    JsonPtr document_;
    std::uint32_t counter_ = 0;
};

} // namespace checker
