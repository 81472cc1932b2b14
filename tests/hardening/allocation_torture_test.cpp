// Allocation torture: jansson's allocator is replaced by one that fails the 1st, then the 2nd, ...
// allocation of an operation (once, or from then on, as memory that stays exhausted), until the
// operation runs through without reaching the failure. Each run must succeed with the right result
// or throw one of the operation's documented messages, and must leave no jansson allocation behind
// (counted here, so the release build checks it too; the sanitizer build adds LeakSanitizer). A
// failed write leaves the previous file and no temporary file.
#include "checker/http_fetch.hpp"
#include "checker/json_allocation_watch.hpp"
#include "checker/remote_descriptor.hpp"
#include "support/errors.hpp"
#include "support/files.hpp"
#include "support/json.hpp"
#include "support/tracer.hpp"
#include "support/version_descriptor.hpp"
#include "tests/hardening/scripted_transfer.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace checker {
namespace {

// jansson's hooks take no user data, so the budget of the running case lives here.
struct AllocationBudget {
    enum class Mode { once, from_then_on };
    Mode mode = Mode::once;
    long fail_at = 0; // 0: never
    long calls = 0;
    long live = 0;
    bool failed = false;
};
AllocationBudget g_budget;

void* torture_malloc(std::size_t size) {
    ++g_budget.calls;
    const bool fail = g_budget.fail_at != 0 && (g_budget.mode == AllocationBudget::Mode::once
                                                    ? g_budget.calls == g_budget.fail_at
                                                    : g_budget.calls >= g_budget.fail_at);
    if (fail) {
        g_budget.failed = true;
        note_json_allocation_failure(); // as the checker's own allocator does
        return nullptr;
    }
    void* block = std::malloc(size);
    if (block != nullptr) {
        ++g_budget.live;
    }
    return block;
}

void torture_free(void* block) {
    if (block != nullptr) {
        --g_budget.live;
        std::free(block);
    }
}

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void write_file(const std::filesystem::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

VersionDescriptor sample_descriptor() {
    VersionDescriptor d;
    d.package_name = "java-1.8.0-tavrik";
    d.package_description = "Tavrik runtime";
    d.os_name = "Windows";
    d.os_arch = "x86_64";
    d.version_string = "1.8.0.212-3.b04";
    d.version_number = 10821203004;
    d.ui_balloon_text = "Tavrik version 1.8.0.212-3.b04 is available for download";
    d.ui_update_header = d.ui_balloon_text;
    d.ui_update_text = "Text";
    return d;
}

const char* const kDmResponse =
    R"([{"id": "tavrik", "featuredArtifact": {"url": )"
    R"("https://downloads.example/tavrik/8/java-1.8.0-tavrik-1.8.0.212-3.b04.quelvar.windows.x86_64.zip"}}])";

// Every message that setting the members of d can throw, exactly.
std::set<std::string> descriptor_messages(const VersionDescriptor& d) {
    std::set<std::string> messages{"Cannot create empty JSON object"};
    const std::vector<std::pair<std::string, std::string>> strings{
        {"package_name", d.package_name},
        {"package_description", d.package_description},
        {"os_name", d.os_name},
        {"os_arch", d.os_arch},
        {"version_string", d.version_string},
        {"ui_balloon_text", d.ui_balloon_text},
        {"ui_update_header", d.ui_update_header},
        {"ui_update_text", d.ui_update_text}};
    for (const auto& [key, value] : strings) {
        for (const char* lead :
             {"Cannot create JSON string, field: [", "Cannot set JSON string, field: ["}) {
            messages.insert(lead + key + "], value: [" + value + "]");
        }
    }
    for (const char* lead :
         {"Cannot create JSON integer, field: [", "Cannot set JSON integer, field: ["}) {
        messages.insert(lead + std::string("version_number], value: [") +
                        to_string(d.version_number) + "]");
    }
    return messages;
}

class AllocationTorture : public ::testing::Test {
protected:
    void SetUp() override {
        json_set_alloc_funcs(torture_malloc, torture_free);
        g_budget = AllocationBudget{};
        directory_ = std::filesystem::temp_directory_path() /
                     ("allocation-torture-" + to_string(current_process_id()));
        std::filesystem::remove_all(directory_);
        std::filesystem::create_directories(directory_);
    }
    void TearDown() override {
        json_set_alloc_funcs(std::malloc, std::free);
        std::filesystem::remove_all(directory_);
    }

    // Runs operation with the 1st, 2nd, ... allocation failing until one run does not reach the
    // failure. check_success runs after a run that did not throw, accepted after one that did;
    // both still under the failing allocator's count, which must be back where it started.
    void torture(const std::function<void()>& operation,
                 const std::function<bool(const std::string&)>& accepted,
                 const std::function<void()>& check_after = {}) {
        for (const auto mode :
             {AllocationBudget::Mode::once, AllocationBudget::Mode::from_then_on}) {
            long failures = 0;
            for (long n = 1;; ++n) {
                SCOPED_TRACE("allocation " + to_string(n) +
                             (mode == AllocationBudget::Mode::once ? " fails" : " and later fail"));
                const long live_before = g_budget.live;
                g_budget.mode = mode;
                g_budget.fail_at = n;
                g_budget.calls = 0;
                g_budget.failed = false;
                try {
                    operation();
                } catch (const CheckerException& e) {
                    EXPECT_TRUE(g_budget.failed)
                        << "threw without a failed allocation: " << e.what();
                    EXPECT_TRUE(accepted(e.what())) << "undocumented message: " << e.what();
                }
                const bool reached = g_budget.failed;
                g_budget.fail_at = 0;
                if (check_after) {
                    check_after();
                }
                EXPECT_EQ(g_budget.live, live_before) << "jansson allocations left behind";
                if (!reached) {
                    break;
                }
                ++failures;
                if (HasFailure()) {
                    return;
                }
            }
            EXPECT_GT(failures, 0) << "no allocation was ever made";
        }
    }

    std::filesystem::path directory_;
};

TEST_F(AllocationTorture, BuildingAVersionDescriptor) {
    const VersionDescriptor descriptor = sample_descriptor();
    const std::set<std::string> messages = descriptor_messages(descriptor);
    torture(
        [&] {
            const JsonPtr document = version_descriptor_to_json(descriptor);
            EXPECT_EQ(version_descriptor_from_json(document), descriptor);
        },
        [&](const std::string& message) { return messages.count(message) == 1; });
}

TEST_F(AllocationTorture, RecordingTraceMessages) {
    const std::vector<std::string> messages{"EVENT_PID 42", "config loaded from path: [/x]",
                                            "EVENT_LOCALVERSION 0"};
    torture(
        [&] {
            Tracer tracer(true);
            std::size_t recorded = 0;
            for (const std::string& message : messages) {
                try {
                    tracer.trace(message);
                    ++recorded;
                } catch (const CheckerException& e) {
                    // A message that failed is absent and the tracer goes on recording.
                    const std::string text = e.what();
                    EXPECT_TRUE(starts_with(text, "Cannot create JSON string, field: [") ||
                                starts_with(text, "Cannot set JSON string, field: ["))
                        << text;
                    EXPECT_TRUE(ends_with(text, "], value: [" + message + "]")) << text;
                }
                EXPECT_EQ(json_object_size(tracer.document().get()), recorded);
            }
        },
        [](const std::string& message) { return message == "Cannot create empty JSON object"; });
}

// Allocations made while f runs are neither counted nor failed.
template <typename F> auto unbudgeted(F&& f) {
    const long fail_at = std::exchange(g_budget.fail_at, 0);
    const long calls = g_budget.calls;
    auto result = f();
    g_budget.fail_at = fail_at;
    g_budget.calls = calls;
    return result;
}

const std::set<std::string> kBuildLeads{
    "Cannot create JSON string, field: [", "Cannot set JSON string, field: [",
    "Cannot create JSON integer, field: [", "Cannot set JSON integer, field: ["};

bool building_failure(const std::string& message) {
    if (message == "Cannot create empty JSON object") {
        return true;
    }
    for (const std::string& lead : kBuildLeads) {
        if (starts_with(message, lead)) {
            return true;
        }
    }
    return false;
}

VersionDescriptor converted_sample() {
    json_error_t error{};
    return version_descriptor_from_json(
        convert_remote_descriptor(JsonPtr(json_loads(kDmResponse, 0, &error))));
}

TEST_F(AllocationTorture, ConvertingADmResponse) {
    const VersionDescriptor expected = unbudgeted(converted_sample);
    torture(
        [&] {
            JsonPtr response =
                unbudgeted([] { return JsonPtr(json_loads(kDmResponse, 0, nullptr)); });
            const JsonPtr descriptor = convert_remote_descriptor(std::move(response));
            EXPECT_EQ(version_descriptor_from_json(descriptor), expected);
        },
        building_failure);
}

// jansson drops bytes of a string or number whose buffer cannot grow and still reports success;
// the checker's parses must refuse such a value rather than return a text with bytes missing.
TEST_F(AllocationTorture, ParsingADownloadedBody) {
    const VersionDescriptor expected = unbudgeted(converted_sample);
    CheckerConfig config;
    torture(
        [&] {
            // The handles are made outside the budget: only the parse's allocations are failed.
            auto multi = unbudgeted([] { return std::make_unique<CurlMulti>(curl_multi_init()); });
            auto easy =
                unbudgeted([&] { return std::make_unique<CurlEasy>(*multi, curl_easy_init()); });
            Tracer tracer(false);
            test_support::ScriptedTransfer transfer(config, tracer, *multi, *easy, {{kDmResponse}});
            const JsonPtr descriptor = parse_streamed_body(transfer);
            EXPECT_EQ(version_descriptor_from_json(descriptor), expected);
        },
        [](const std::string& message) {
            return message == "Error parsing JSON, text: [out of memory], position: [" +
                                  to_string(std::string(kDmResponse).size()) + "]" ||
                   starts_with(message, "Error parsing JSON, text: [") ||
                   starts_with(message, "HTTP connection error: [") || building_failure(message);
        });
}

TEST_F(AllocationTorture, LoadingFiles) {
    const std::filesystem::path response = directory_ / "response.json";
    const std::filesystem::path stored = directory_ / "version.json";
    write_file(response, kDmResponse);
    const VersionDescriptor expected = unbudgeted(converted_sample);
    const JsonPtr stored_document = version_descriptor_to_json(expected);
    write_file(stored, unbudgeted([&] {
                   char* text = json_dumps(stored_document.get(), kJsonDumpFlags);
                   std::string content(text);
                   std::free(text);
                   return content;
               }));
    for (const auto& path : {response, stored}) {
        SCOPED_TRACE(path.string());
        torture(
            [&] {
                const JsonPtr document = load_intact_json_file(path.string(), 32768);
                EXPECT_EQ(version_descriptor_from_json(document), expected);
            },
            [&](const std::string& message) {
                return message == "Error parsing JSON: text: [out of memory], filepath: [" +
                                      path.string() + "]" ||
                       starts_with(message, "Error parsing JSON: text: [") ||
                       // load_json_file applies the conversion before the check can refuse the
                       // parse, so a damaged response may fail there first: refused all the same.
                       starts_with(message, "Cannot extract ") ||
                       starts_with(message, "Cannot parse uint32_t from string: [") ||
                       building_failure(message);
            });
    }
}

TEST_F(AllocationTorture, WritingAFileKeepsTheOldOneWhole) {
    const std::filesystem::path target = directory_ / "version.json";
    const std::string old_content = "{\n    \"version_number\": 1\n}";
    write_file(target, old_content);
    std::string new_content;
    torture(
        [&] {
            const JsonPtr document = version_descriptor_to_json(sample_descriptor());
            dump_json_file(document, target.string());
            new_content = read_file(target);
        },
        [](const std::string& message) {
            return starts_with(message, "Error dumping JSON: [") || building_failure(message);
        },
        [&] {
            const std::string content = read_file(target);
            EXPECT_TRUE(content == old_content || (!new_content.empty() && content == new_content))
                << content;
            for (const auto& entry : std::filesystem::directory_iterator(directory_)) {
                EXPECT_EQ(entry.path().filename(), "version.json")
                    << "left behind: " << entry.path();
            }
            // The next run starts from the old file again.
            write_file(target, old_content);
        });
    EXPECT_EQ(version_descriptor_from_json(JsonPtr(json_loads(new_content.c_str(), 0, nullptr))),
              sample_descriptor());
}

} // namespace
} // namespace checker
