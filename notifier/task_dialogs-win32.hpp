// The task dialogs of Common Controls 6 (selected by the program's manifest), described by the
// logic's records. A dialog's callback object travels as the callback data and is called back
// through one static function.
#pragma once

#include "shell_types.hpp"

#include <cstdint>

namespace notifier {

// TaskDialogIndirect with no button, radio-button or verification outputs; the result.
std::int32_t run_task_dialog(const TaskDialogConfig& config);
// TaskDialog with no pressed-button output; the result.
std::int32_t run_message_dialog(const MessageDialog& dialog);

} // namespace notifier
