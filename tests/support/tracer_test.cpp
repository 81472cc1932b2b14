#include "support/tracer.hpp"

#include "support/errors.hpp"
#include "test_environment.hpp"
#include "test_platform.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::pair<std::string, std::string>> members(const checker::Tracer& tracer) {
    std::vector<std::pair<std::string, std::string>> result;
    const char* key = nullptr;
    json_t* value = nullptr;
    json_object_foreach(tracer.document().get(), key, value) {
        result.emplace_back(key, json_string_value(value));
    }
    return result;
}

std::string counter_of(const std::string& key) {
    return key.substr(key.rfind('_') + 1);
}

TEST(Tracer, DisabledRecordsNothing) {
    checker::Tracer tracer(false);
    tracer.trace("ignored");
    tracer.trace("bad \xFF is never looked at");
    EXPECT_TRUE(members(tracer).empty());
    tracer.set_enabled(true);
    tracer.trace("first");
    ASSERT_EQ(members(tracer).size(), 1u);
    EXPECT_EQ(counter_of(members(tracer)[0].first), "1") << "disabled calls do not count";
}

TEST(Tracer, KeysCountUpInRecordingOrder) {
    checker::Tracer tracer(true);
    for (int i = 1; i <= 11; ++i) {
        tracer.trace("message " + std::to_string(i));
    }
    const auto recorded = members(tracer);
    ASSERT_EQ(recorded.size(), 11u);
    for (std::size_t i = 0; i < recorded.size(); ++i) {
        EXPECT_EQ(counter_of(recorded[i].first), std::to_string(i + 1));
        EXPECT_EQ(recorded[i].second, "message " + std::to_string(i + 1));
        EXPECT_EQ(recorded[i].first.size(), 20 + std::to_string(i + 1).size());
    }
}

TEST(Tracer, InvalidUtf8ThrowsAndSkipsANumber) {
    checker::Tracer tracer(true);
    tracer.trace("one");
    EXPECT_THROW(tracer.trace("bad \xFF"), checker::CheckerException);
    tracer.trace("three");
    const auto recorded = members(tracer);
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(counter_of(recorded[1].first), "3");
}

TEST(Tracer, WrittenTraceEscapesOnlyWhatJsonRequires) {
    test::TempDir dir;
    checker::Tracer tracer(true);
    tracer.trace("EVENT_PID 42");
    tracer.trace("path: [C:\\x/y] \"q\"\nnext ünï");
    checker::dump_json_file(tracer.document(), dir.file("trace.json"));
    const auto recorded = members(tracer);
    EXPECT_EQ(test::read_file(dir.file("trace.json")),
              test::platform::as_text_file("{\n    \"" + recorded[0].first +
                                           "\": \"EVENT_PID 42\",\n    \"" + recorded[1].first +
                                           "\": \"path: [C:\\\\x/y] \\\"q\\\"\\nnext ünï\"\n}"));
}

} // namespace
