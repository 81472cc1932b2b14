// The thin layer through which both programs touch JSON: an owner for one jansson reference, typed
// reads with defaults, typed writes that fail loudly, file load under a byte limit and file dump in
// the one layout of the programs' files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <jansson.h>

namespace checker {

struct JsonDecref {
    void operator()(json_t* value) const noexcept { json_decref(value); }
};
// Owns exactly one reference, or nothing.
using JsonPtr = std::unique_ptr<json_t, JsonDecref>;

// Parser flags for every load: JSON_REJECT_DUPLICATES | JSON_DISABLE_EOF_CHECK | JSON_DECODE_ANY.
constexpr std::size_t kJsonLoadFlags = 7;
// Dump flags for every file: JSON_INDENT(4) | JSON_PRESERVE_ORDER | JSON_ENCODE_ANY.
constexpr std::size_t kJsonDumpFlags = 772;

JsonPtr create_json_object();

// A document that is not an object, a missing key and a member of another type give the default.
std::string get_json_string(const JsonPtr& document, const std::string& key,
                            const std::string& default_value);
// Integers from 0 to 4294967294; anything else gives the default.
std::uint32_t get_json_uint32(const JsonPtr& document, const std::string& key,
                              std::uint32_t default_value);
std::uint64_t get_json_uint64(const JsonPtr& document, const std::string& key,
                              std::uint64_t default_value);
bool get_json_bool(const JsonPtr& document, const std::string& key, bool default_value);

void set_json_string(const JsonPtr& document, const std::string& key, const std::string& value);
// Stored as the signed 64-bit integer with the same bits.
void set_json_integer(const JsonPtr& document, const std::string& key, std::uint64_t value);

// Every freshly parsed value goes through it before it must be an object. Each program defines it
// once: the checker converts a downloaded response, the notifier returns its argument.
JsonPtr json_load_hook(JsonPtr value);

// Applies json_load_hook and requires an object.
JsonPtr accept_loaded_json(JsonPtr value);

JsonPtr load_json_file(const std::string& path, std::uint32_t read_limit);
// Writes a temporary file beside path and renames it over path, so that a failure part-way leaves
// the previous file whole.
void dump_json_file(const JsonPtr& document, const std::string& path);

} // namespace checker
