#include "checker/json_allocation_watch.hpp"

#include "support/errors.hpp"

#include <atomic>
#include <cstdlib>

namespace checker {

namespace {

// The one count of the process: jansson's allocator is process-wide too.
std::atomic<std::uint64_t> g_failures{0};

void* watched_malloc(std::size_t size) {
    void* block = std::malloc(size);
    if (block == nullptr && size != 0) {
        note_json_allocation_failure();
    }
    return block;
}

} // namespace

void watch_json_allocations() {
    json_set_alloc_funcs(watched_malloc, std::free);
}

std::uint64_t json_allocation_failures() {
    return g_failures.load();
}

void note_json_allocation_failure() noexcept {
    ++g_failures;
}

JsonPtr load_intact_json_file(const std::string& path, std::uint32_t read_limit) {
    const JsonAllocationCheck allocations;
    JsonPtr document = load_json_file(path, read_limit);
    if (allocations.failed()) {
        throw CheckerException("Error parsing JSON: text: [out of memory], filepath: [" + path +
                               "]");
    }
    return document;
}

} // namespace checker
