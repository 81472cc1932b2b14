// The download's pull loop and parse (HttpTransfer and parse_streamed_body, the code the program
// runs) fed by scripted passes instead of libcurl: the same document in fuzzer-chosen chunk
// splits (single bytes, chunks around curl_max_bufsize_bytes, several chunks in one pass, passes
// that deliver nothing) must give what the whole document gives. A chunk that a limit refuses ends
// the transfer as libcurl does; the outcome is then that of the bytes delivered before it.
#include "checker/config.hpp"
#include "checker/curl_handles.hpp"
#include "checker/http_fetch.hpp"
#include "checker/http_transfer.hpp"
#include "fuzz/fuzz_support.hpp"
#include "support/tracer.hpp"
#include "tests/hardening/scripted_transfer.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace checker::fuzz {
namespace {

using test_support::Script;
using test_support::ScriptedTransfer;

Outcome run_script(const CheckerConfig& config, bool tracing, Script script) {
    CurlMulti multi(curl_multi_init());
    CurlEasy easy(multi, curl_easy_init());
    Tracer tracer(tracing);
    ScriptedTransfer transfer(config, tracer, multi, easy, std::move(script));
    return capture([&] { return parse_streamed_body(transfer); });
}

// The bytes delivered before the first chunk a limit refuses, and that refusal's message.
struct Delivery {
    std::string bytes;
    std::string refusal;
    std::size_t bytes_before_refusing_pass = 0;
};

Delivery deliver(const CheckerConfig& config, const Script& script) {
    Delivery delivery;
    for (const auto& pass : script) {
        const std::size_t pass_start = delivery.bytes.size();
        for (const std::string& chunk : pass) {
            if (chunk.size() > config.curl_max_bufsize_bytes) {
                delivery.refusal =
                    "'curl_max_bufsize_bytes' exceeded: [" + to_string(chunk.size()) + "]";
            } else if (config.max_remote_json_size_bytes != 0 &&
                       delivery.bytes.size() + chunk.size() > config.max_remote_json_size_bytes) {
                delivery.refusal =
                    "HTTP response body larger than 'max_remote_json_size_bytes': [" +
                    to_string(config.max_remote_json_size_bytes) + "]";
            }
            if (!delivery.refusal.empty()) {
                delivery.bytes_before_refusing_pass = pass_start;
                return delivery;
            }
            delivery.bytes += chunk;
        }
    }
    return delivery;
}

// Hands the parser one byte a call, so that a call tells exactly which byte the parser needs:
// the pass that holds the refused chunk runs once the parser needs a byte of that pass.
struct ByteReader {
    const std::string& bytes;
    std::size_t refusing_pass_start;
    std::size_t position = 0;
    bool refusing_pass_ran = false;
};

std::size_t byte_read(void* buffer, std::size_t capacity, void* data) {
    auto& reader = *static_cast<ByteReader*>(data);
    if (reader.position >= reader.refusing_pass_start) {
        reader.refusing_pass_ran = true;
    }
    if (reader.position == reader.bytes.size() || capacity == 0) {
        return 0;
    }
    static_cast<char*>(buffer)[0] = reader.bytes[reader.position++];
    return 1;
}

// The download's outcome for the delivered bytes followed by the end of the body (step 10 of the
// download's failure rules): the refusal is among the callback errors once its pass ran.
Outcome expected_outcome(const Delivery& delivery) {
    return capture([&] {
        const std::size_t never = static_cast<std::size_t>(-1);
        ByteReader reader{delivery.bytes,
                          delivery.refusal.empty() ? never : delivery.bytes_before_refusing_pass};
        json_error_t error{};
        JsonPtr value(json_load_callback(byte_read, &reader, kJsonLoadFlags, &error));
        if (value) {
            return accept_loaded_json(std::move(value));
        }
        const std::string callback_error = reader.refusing_pass_ran ? delivery.refusal : "";
        if (!callback_error.empty() && error.line == 1 && error.column == 0 &&
            error.position == 0) {
            throw CheckerException("HTTP connection error: [" + callback_error + "]");
        }
        throw CheckerException(
            "Error parsing JSON, text: [" + std::string(error.text) + "], line: [" +
            to_string(error.line) + "], column: [" + to_string(error.column) + "], position: [" +
            to_string(error.position) + "], callback error: [" + callback_error + "]");
    });
}

void check_script_outcome(const CheckerConfig& config, const Script& script, const Outcome& outcome,
                          const std::string& what) {
    check_same(outcome, expected_outcome(deliver(config, script)), what);
}

// A small generator so that one seed drives a whole split.
class Random {
public:
    explicit Random(std::uint32_t seed) : state_(seed * 2654435761u + 1u) {}
    std::uint32_t next(std::uint32_t bound) {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return bound == 0 ? 0 : state_ % bound;
    }

private:
    std::uint32_t state_;
};

// Input layout: flags, two bytes of curl_max_bufsize_bytes, three bytes of seed, the document.
constexpr std::size_t kHeaderSize = 6;

Script fuzzer_split(const std::string& document, std::uint8_t flags, std::uint32_t limit,
                    std::uint32_t seed) {
    Random random(seed);
    const unsigned style = (flags >> 1) & 3u;
    const std::uint32_t most_chunks = 1 + ((flags >> 3) & 3u);
    const bool empty_passes = (flags & 0x20u) != 0;
    Script script;
    std::size_t at = 0;
    while (at < document.size()) {
        if (empty_passes && random.next(4) == 0) {
            script.emplace_back();
        }
        std::vector<std::string> pass;
        const std::uint32_t chunks = 1 + random.next(most_chunks);
        for (std::uint32_t c = 0; c < chunks && at < document.size(); ++c) {
            std::size_t length = 1;
            switch (style) {
            case 0:
                length = 1 + random.next(2 * limit);
                break;
            case 1:
                length = limit - 1 + random.next(3); // just below, at and just above the limit
                break;
            case 2:
                length = 1;
                break;
            default:
                length = document.size();
                break;
            }
            length = std::max<std::size_t>(1, std::min(length, document.size() - at));
            pass.push_back(document.substr(at, length));
            at += length;
        }
        script.push_back(std::move(pass));
    }
    if (empty_passes) {
        script.emplace_back(); // the end reported by a pass of its own
    }
    return script;
}

Script single_byte_passes(const std::string& document) {
    Script script;
    for (const char c : document) {
        script.push_back({std::string(1, c)});
    }
    return script;
}

} // namespace
} // namespace checker::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace checker;
    using namespace checker::fuzz;
    if (size < kHeaderSize) {
        return 0;
    }
    const std::uint8_t flags = data[0];
    const std::string document(reinterpret_cast<const char*>(data) + kHeaderSize,
                               size - kHeaderSize);
    CheckerConfig config;
    config.curl_max_bufsize_bytes =
        1 + ((static_cast<std::uint32_t>(data[1]) << 8 | data[2]) % 2048);
    // Sometimes a body bound that the document passes part-way.
    config.max_remote_json_size_bytes =
        (flags & 0x40u) != 0 ? static_cast<std::uint32_t>(document.size() / 2 + 1) : 0;
    const bool tracing = (flags & 1u) != 0;
    const std::uint32_t seed = static_cast<std::uint32_t>(data[3]) << 16 |
                               static_cast<std::uint32_t>(data[4]) << 8 | data[5];

    const Script split = fuzzer_split(document, flags, config.curl_max_bufsize_bytes, seed);
    check_script_outcome(config, split, run_script(config, tracing, split), "fuzzer's split");
    // Keeps the tracer's one-byte runs short: each byte is a trace entry of its own.
    if (document.size() <= 4096) {
        const Script bytes = single_byte_passes(document);
        check_script_outcome(config, bytes, run_script(config, tracing, bytes), "single bytes");
    }
    return 0;
}
