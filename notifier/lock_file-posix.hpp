// The named mutex on Linux: an exclusive lock on a file named after the mutex in the user's
// runtime directory, held until the handle is closed or the process ends.
#pragma once

#include "notifier-platform.hpp"

#include <cstdint>
#include <memory>
#include <string>

namespace notifier {

// The lock file of a name: $XDG_RUNTIME_DIR/<name>.lock, or <temp>/<name>-<uid>.lock when there
// is no usable runtime directory. Slashes in the name become underscores.
std::string lock_file_path(const std::string& name);

// CreateMutexW's contract: a handle, or null when the file cannot be opened. error is EEXIST when
// another open handle holds the lock (the handle is returned all the same), 0 otherwise.
std::unique_ptr<MutexHandle> open_lock_file(const std::string& name, std::uint32_t& error);

} // namespace notifier
