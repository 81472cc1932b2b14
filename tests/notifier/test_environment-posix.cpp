#include "test_support.hpp"

#include <cstdlib>

namespace test {

struct UserDataRoot::Scope {
    TempDir dir;
    ScopedEnv data_home{"XDG_DATA_HOME", dir.path()};
};

UserDataRoot::UserDataRoot() : scope_(std::make_unique<Scope>()), path_(scope_->dir.path()) {}

UserDataRoot::~UserDataRoot() = default;

} // namespace test
