#include "checker/trace_text.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace checker {
namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

TEST(ToValidUtf8, ReplacesOnlyIllFormedSequences) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""},
        {"plain [text]\n", "plain [text]\n"},
        {"f\xC3\xBCr", "f\xC3\xBCr"},
        // The halves of a character split between two chunks.
        {"Tavrik 8 f\xC3", "Tavrik 8 f" + kReplacement},
        {"\xBCr Windows", kReplacement + "r Windows"},
        // Latin-1 text.
        {"caf\xE9 cr\xE8me", "caf" + kReplacement + " cr" + kReplacement + "me"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(to_valid_utf8(text), expected);
    }
}

TEST(Trace, RecordsInvalidTextInsteadOfThrowing) {
    Tracer tracer(true);
    trace(tracer, "EVENT_RESPONSE f\xC3");
    trace(tracer, "EVENT_RESPONSE \xBCr");
    const json_t* document = tracer.document().get();
    ASSERT_EQ(json_object_size(document), 2u);
    std::vector<std::string> values;
    const char* key = nullptr;
    json_t* value = nullptr;
    json_object_foreach(const_cast<json_t*>(document), key, value) {
        values.emplace_back(json_string_value(value));
    }
    EXPECT_EQ(values, (std::vector<std::string>{"EVENT_RESPONSE f" + kReplacement,
                                                "EVENT_RESPONSE " + kReplacement + "r"}));
}

TEST(Trace, RecordsNothingWhileOff) {
    Tracer tracer(false);
    trace(tracer, "message");
    EXPECT_EQ(json_object_size(tracer.document().get()), 0u);
}

} // namespace
} // namespace checker
