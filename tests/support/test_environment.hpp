// Fixtures of the support tests beyond the shared ones of temp_files.hpp: a json_load_hook the test
// can replace, and the texts that failures are expected to carry.
#pragma once

#include "support/errors.hpp"
#include "support/json.hpp"
#include "temp_files.hpp"

#include <cstdint>
#include <functional>
#include <string>

namespace test {

// The message of the CheckerException that action throws; "(nothing thrown)" when it returns.
template <typename F> std::string thrown_message(F&& action) {
    try {
        action();
    } catch (const checker::CheckerException& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

// A system error as the library quotes it: "code: [N], message: [system text]".
std::string system_error_text(std::uint32_t code);

// The load hook of the test program: the identity unless a test installs another one.
class ScopedLoadHook {
public:
    explicit ScopedLoadHook(std::function<checker::JsonPtr(checker::JsonPtr)> hook);
    ~ScopedLoadHook();
    ScopedLoadHook(const ScopedLoadHook&) = delete;
    ScopedLoadHook& operator=(const ScopedLoadHook&) = delete;
};

} // namespace test
