// The checker's writer of trace.json.
#pragma once

#include "checker/config.hpp"
#include "support/tracer.hpp"

namespace checker {

// Writes the trace beside version.json and says so on standard output; does nothing while tracing
// is off and swallows every failure, so a trace that cannot be written is simply absent.
void write_trace_file(const CheckerConfig& config, const Tracer& tracer) noexcept;

} // namespace checker
