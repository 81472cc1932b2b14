// Whether version.json names a newer build than the one the notifier was shipped with.
#pragma once

#include "notifier_state.hpp"

namespace notifier {

// GO (true) when the stored version number is larger than string 146. Fills the notifier's
// display texts and traces every value read on the way; every failure is traced and gives NOGO.
bool decide_update(Notifier& notifier);

} // namespace notifier
