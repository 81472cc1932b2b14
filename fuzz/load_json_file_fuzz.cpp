// load_json_file under a read limit that the input chooses, against a reference of the limit rule:
// the file is read in the parser's pulls, every delivered byte counts, and the pull that carries
// the total past the limit fails even though its bytes arrived. Linked once with the checker's
// load hook and once with the notifier's.
#include "fuzz/fuzz_support.hpp"
#include "support/files.hpp"
#include "support/json.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace checker::fuzz {
namespace {

// Input layout: byte 0 picks how the limit is read, byte 1 (and 0) give it, the rest is the file.
constexpr std::size_t kHeaderSize = 2;

std::uint32_t choose_limit(const std::uint8_t* header, std::size_t file_size) {
    if ((header[0] & 0x80u) != 0) {
        // Within 16 bytes of the file's size either way, where the off-by-one faults live.
        const long offset = static_cast<long>(header[1] % 33) - 16;
        const long limit = static_cast<long>(file_size) + offset;
        return limit < 0 ? 0u : static_cast<std::uint32_t>(limit);
    }
    return static_cast<std::uint32_t>(((header[0] & 0x7Fu) << 8) | header[1]);
}

struct LimitedReader {
    const char* data;
    std::size_t size;
    std::uint32_t limit;
    std::string path;
    std::size_t position = 0;
    std::uint64_t delivered = 0;
    std::string error;
};

std::size_t reference_read(void* buffer, std::size_t capacity, void* data) {
    auto& reader = *static_cast<LimitedReader*>(data);
    const std::size_t count = std::min(capacity, reader.size - reader.position);
    std::memcpy(buffer, reader.data + reader.position, count);
    reader.position += count;
    reader.delivered += count;
    if (reader.delivered > reader.limit) {
        reader.error = "Read limit exceeded: [" + to_string(reader.limit) + "], filepath: [" +
                       reader.path + "]";
        return static_cast<std::size_t>(-1);
    }
    return count;
}

Outcome reference_load(const std::string& content, std::uint32_t limit, const std::string& path) {
    return capture([&] {
        LimitedReader reader{content.data(), content.size(), limit, path, 0, 0, {}};
        json_error_t error{};
        JsonPtr value(json_load_callback(reference_read, &reader, kJsonLoadFlags, &error));
        if (!value) {
            throw CheckerException(
                "Error parsing JSON: text: [" + std::string(error.text) + "] line: [" +
                to_string(error.line) + "] column: [" + to_string(error.column) + "] position: [" +
                to_string(error.position) + "], callback error: [" + reader.error + "]");
        }
        return accept_loaded_json(std::move(value));
    });
}

// One file per process, rewritten for every input.
const std::string& scratch_path() {
    static const std::string path =
        (std::filesystem::temp_directory_path() /
         ("load-json-fuzz-" + to_string(current_process_id()) + ".json"))
            .string();
    return path;
}

} // namespace
} // namespace checker::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace checker;
    using namespace checker::fuzz;
    if (size < kHeaderSize) {
        return 0;
    }
    const std::string content(reinterpret_cast<const char*>(data) + kHeaderSize,
                              size - kHeaderSize);
    const std::uint32_t limit = choose_limit(data, content.size());
    const std::string& path = scratch_path();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
    }
    const Outcome actual = capture([&] { return load_json_file(path, limit); });
    if (!actual.threw) {
        check(json_is_object(actual.value.get()), "a load returned something but an object");
    }
    check_same(actual, reference_load(content, limit, path),
               "load_json_file with limit " + to_string(limit) + " of a " +
                   to_string(content.size()) + "-byte file");
    return 0;
}
