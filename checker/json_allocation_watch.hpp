// jansson reports success for a text it parsed while one of its allocations failed: a string or
// number whose buffer could not grow simply loses bytes (a URL, a key or a version number then
// reads differently). The checker hands jansson an allocator that counts failures, and refuses
// every parsed value during whose parse the count moved.
#pragma once

#include "support/json.hpp"

#include <cstdint>
#include <string>

namespace checker {

// Installs the counting allocator for the rest of the process (json_set_alloc_funcs).
void watch_json_allocations();

// Failed jansson allocations so far; an allocator installed in place of the watch (a test's)
// reports its failures with note_json_allocation_failure.
std::uint64_t json_allocation_failures();
void note_json_allocation_failure() noexcept;

// Taken before a parse; failed() tells whether an allocation failed since.
class JsonAllocationCheck {
public:
    JsonAllocationCheck() : failures_(json_allocation_failures()) {}
    bool failed() const { return json_allocation_failures() != failures_; }

private:
    std::uint64_t failures_;
};

// load_json_file, refused with "Error parsing JSON: text: [out of memory], filepath: [" + path +
// "]" when an allocation failed while it ran.
JsonPtr load_intact_json_file(const std::string& path, std::uint32_t read_limit);

} // namespace checker
