#include "test_environment.hpp"

#include "test_platform.hpp"

namespace test {

std::string system_error_text(std::uint32_t code) {
    return "code: [" + std::to_string(code) + "], message: [" + platform::system_message(code) +
           "]";
}

namespace {
std::function<checker::JsonPtr(checker::JsonPtr)>& installed_hook() {
    static std::function<checker::JsonPtr(checker::JsonPtr)> hook;
    return hook;
}
} // namespace

ScopedLoadHook::ScopedLoadHook(std::function<checker::JsonPtr(checker::JsonPtr)> hook) {
    installed_hook() = std::move(hook);
}

ScopedLoadHook::~ScopedLoadHook() {
    installed_hook() = nullptr;
}

} // namespace test

checker::JsonPtr checker::json_load_hook(checker::JsonPtr value) {
    auto& hook = test::installed_hook();
    return hook ? hook(std::move(value)) : std::move(value);
}
