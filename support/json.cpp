#include "json.hpp"

#include "errors.hpp"
#include "files.hpp"

namespace checker {

JsonPtr create_json_object() {
    JsonPtr object(json_object());
    if (!object) {
        throw CheckerException("Cannot create empty JSON object");
    }
    return object;
}

std::string get_json_string(const JsonPtr& document, const std::string& key,
                            const std::string& default_value) {
    const json_t* member = json_object_get(document.get(), key.c_str());
    if (!json_is_string(member)) {
        return default_value;
    }
    return std::string(json_string_value(member), json_string_length(member));
}

std::uint32_t get_json_uint32(const JsonPtr& document, const std::string& key,
                              std::uint32_t default_value) {
    const json_t* member = json_object_get(document.get(), key.c_str());
    if (!json_is_integer(member)) {
        return default_value;
    }
    const json_int_t value = json_integer_value(member);
    if (value < 0 || value >= 4294967295LL) {
        return default_value;
    }
    return static_cast<std::uint32_t>(value);
}

std::uint64_t get_json_uint64(const JsonPtr& document, const std::string& key,
                              std::uint64_t default_value) {
    const json_t* member = json_object_get(document.get(), key.c_str());
    if (!json_is_integer(member) || json_integer_value(member) < 0) {
        return default_value;
    }
    return static_cast<std::uint64_t>(json_integer_value(member));
}

bool get_json_bool(const JsonPtr& document, const std::string& key, bool default_value) {
    const json_t* member = json_object_get(document.get(), key.c_str());
    if (!json_is_boolean(member)) {
        return default_value;
    }
    return json_is_true(member);
}

void set_json_string(const JsonPtr& document, const std::string& key, const std::string& value) {
    json_t* string = json_stringn(value.data(), value.size());
    if (string == nullptr) {
        throw CheckerException("Cannot create JSON string, field: [" + key + "], value: [" + value +
                               "]");
    }
    // json_object_set_new takes the new value's reference also when it fails.
    if (json_object_set_new(document.get(), key.c_str(), string) != 0) {
        throw CheckerException("Cannot set JSON string, field: [" + key + "], value: [" + value +
                               "]");
    }
}

void set_json_integer(const JsonPtr& document, const std::string& key, std::uint64_t value) {
    json_t* integer = json_integer(static_cast<json_int_t>(value));
    if (integer == nullptr) {
        throw CheckerException("Cannot create JSON integer, field: [" + key + "], value: [" +
                               to_string(value) + "]");
    }
    if (json_object_set_new(document.get(), key.c_str(), integer) != 0) {
        throw CheckerException("Cannot set JSON integer, field: [" + key + "], value: [" +
                               to_string(value) + "]");
    }
}

JsonPtr accept_loaded_json(JsonPtr value) {
    JsonPtr accepted = json_load_hook(std::move(value));
    if (!accepted) {
        throw CheckerException("Invalid 'null' JSON specified");
    }
    if (!json_is_object(accepted.get())) {
        throw CheckerException("Invalid 'non-object' JSON specified");
    }
    return accepted;
}

JsonPtr load_json_file(const std::string& path, std::uint32_t read_limit) {
    FileHandle file = open_file(path, "r", read_limit);
    json_error_t error{};
    JsonPtr value(json_load_callback(file_read_callback, &file, kJsonLoadFlags, &error));
    if (!value) {
        throw CheckerException(
            "Error parsing JSON: text: [" + std::string(error.text) + "] line: [" +
            to_string(error.line) + "] column: [" + to_string(error.column) + "] position: [" +
            to_string(error.position) + "], callback error: [" + file.errors() + "]");
    }
    return accept_loaded_json(std::move(value));
}

void dump_json_file(const JsonPtr& document, const std::string& path) {
    ReplacementFile file(path);
    if (json_dump_callback(document.get(), file_write_callback, &file.handle(), kJsonDumpFlags) !=
            0 ||
        !file.handle().commit()) {
        throw CheckerException("Error dumping JSON: [" + file.handle().errors() + "]");
    }
    file.replace_target();
}

} // namespace checker
