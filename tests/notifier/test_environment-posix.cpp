#include "test_support.hpp"

#include <cstdlib>

namespace test {

void set_environment(const std::string& name, const std::optional<std::string>& value) {
    if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(name.c_str());
    }
}

struct UserDataRoot::Scope {
    TempDir dir;
    ScopedEnv data_home{"XDG_DATA_HOME", dir.path()};
};

UserDataRoot::UserDataRoot() : scope_(std::make_unique<Scope>()), path_(scope_->dir.path()) {}

UserDataRoot::~UserDataRoot() = default;

} // namespace test
