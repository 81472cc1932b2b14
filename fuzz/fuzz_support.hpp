// What every fuzz target shares: the outcome of a call that either yields a JSON value or throws
// the checker's exception, its comparison, and the abort that libFuzzer records as a finding.
#pragma once

#include "support/errors.hpp"
#include "support/json.hpp"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

namespace checker::fuzz {

// Reports why the input is a finding and stops the process, which libFuzzer saves as a crash.
// Control characters and bytes above ASCII are shown as \xNN.
[[noreturn]] inline void fail(const std::string& what) {
    std::string shown;
    for (const char c : what) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\n') || byte > 0x7E) {
            static const char digits[] = "0123456789abcdef";
            shown += "\\x";
            shown += digits[byte >> 4];
            shown += digits[byte & 0xF];
        } else {
            shown += c;
        }
    }
    std::fprintf(stderr, "FUZZ FINDING: %s\n", shown.c_str());
    std::abort();
}

inline void check(bool condition, const std::string& what) {
    if (!condition) {
        fail(what);
    }
}

inline std::string dump(const JsonPtr& value) {
    if (!value) {
        return "(none)";
    }
    char* text = json_dumps(value.get(), JSON_ENCODE_ANY | JSON_COMPACT);
    std::string result = text == nullptr ? "(not dumpable)" : text;
    std::free(text);
    return result;
}

// A value, or the message of the CheckerException thrown instead. Any other exception is not
// caught: it leaves the target and libFuzzer reports it.
struct Outcome {
    JsonPtr value;
    std::string message;
    bool threw = false;

    std::string describe() const { return threw ? "threw [" + message + "]" : dump(value); }
};

template <typename Call> Outcome capture(Call&& call) {
    Outcome outcome;
    try {
        outcome.value = call();
    } catch (const CheckerException& e) {
        outcome.threw = true;
        outcome.message = e.what();
    }
    return outcome;
}

inline bool same(const Outcome& a, const Outcome& b) {
    if (a.threw || b.threw) {
        return a.threw == b.threw && a.message == b.message;
    }
    if (!a.value || !b.value) {
        return !a.value && !b.value;
    }
    return json_equal(a.value.get(), b.value.get()) != 0;
}

inline void check_same(const Outcome& actual, const Outcome& expected, const std::string& what) {
    if (!same(actual, expected)) {
        fail(what + "\n  actual:   " + actual.describe() + "\n  expected: " + expected.describe());
    }
}

} // namespace checker::fuzz
