// What the tests need from the system besides the library under test: a fresh temporary
// directory, environment variables, the process id, and the codes and messages the system reports
// for the failures the tests provoke. Implemented in test_platform-posix.cpp and
// test_platform-win32.cpp; everything here goes to the system directly, not through the library.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace test::platform {

// A new empty directory in the system's temporary directory whose name begins with prefix.
std::string make_temp_directory(const std::string& prefix);

std::optional<std::string> get_env(const std::string& name);
// nullopt removes the variable.
void set_env(const std::string& name, const std::optional<std::string>& value);

// The id of this process as the C runtime reports it.
std::uint32_t own_process_id();

// The codes the system reports for what the tests do.
std::uint32_t already_exists_code();    // a directory is created where the name is taken
std::uint32_t path_not_found_code();    // a file or directory is made below a missing directory
std::uint32_t replace_directory_code(); // a file is renamed over a directory
std::uint32_t unknown_code_lookup_failure(); // the message of a code the system does not know

// The system's message for a code, without the line end that ends it.
std::string system_message(std::uint32_t code);

// The bytes a C stream in text mode writes for text: "\n" becomes the platform's line end.
std::string as_text_file(const std::string& text);

} // namespace test::platform
