// Writes the notifier's trace to trace.json in its update directory.
#pragma once

#include "notifier_state.hpp"

namespace notifier {

// Does nothing while tracing is off; every failure on the way is swallowed.
void write_trace_file(Notifier& notifier);

} // namespace notifier
