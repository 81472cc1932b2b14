#include "test_support.hpp"

#include "support/files.hpp"

#include <cstdlib>
#include <filesystem>

namespace test {

namespace {

void remove_vendor_directory(const std::string& root) {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::u8path(root + "/Quelvar"), ignored);
}

} // namespace

struct UserDataRoot::Scope {};

UserDataRoot::UserDataRoot() {
    path_ = checker::get_userdata_dir();
    path_.pop_back(); // the trailing "/"
    // A test that was killed may have left its files behind.
    remove_vendor_directory(path_);
}

UserDataRoot::~UserDataRoot() {
    remove_vendor_directory(path_);
}

} // namespace test
