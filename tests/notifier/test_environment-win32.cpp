#include "test_support.hpp"

#include <cstdlib>

namespace test {

void set_environment(const std::string& name, const std::optional<std::string>& value) {
    // An empty value removes the variable.
    _putenv_s(name.c_str(), value ? value->c_str() : "");
}

} // namespace test
