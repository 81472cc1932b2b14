// Reads the notifier's string resources; a missing string is traced and replaced by a marker text.
#pragma once

#include "notifier_state.hpp"
#include "string_ids.hpp"

#include <cstdint>

namespace notifier {

// The string, or "ERROR_LOAD_RESOURCE" (with a trace line) when it is missing or empty.
WideString load_resource_string(Notifier& notifier, std::uint32_t id);

} // namespace notifier
