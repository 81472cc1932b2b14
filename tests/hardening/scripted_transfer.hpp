// An HttpTransfer whose passes hand scripted body chunks to the body function the program
// registers with libcurl, after one header line, instead of driving the network. Everything else
// (the pull loop, the limits, the end of the transfer, the parse) is the program's own code. Used
// by the allocation torture and the streamed-body fuzz target.
#pragma once

#include "checker/config.hpp"
#include "checker/curl_handles.hpp"
#include "checker/http_transfer.hpp"
#include "support/tracer.hpp"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace checker::test_support {

// Passes, each a list of chunks delivered in that pass.
using Script = std::vector<std::vector<std::string>>;

class ScriptedTransfer : public HttpTransfer {
public:
    // The handles are idle ones: libcurl is only asked for the response code, which is then 0.
    ScriptedTransfer(const CheckerConfig& config, Tracer& tracer, const CurlMulti& multi,
                     const CurlEasy& easy, Script script)
        : HttpTransfer(config, tracer, multi, easy, nullptr), script_(std::move(script)) {}

private:
    Pass perform_pass() override {
        if (!header_sent_) {
            std::string status = "HTTP/1.0 200 OK\r\n";
            header_sent_ = true;
            if (transfer_header_function(status.data(), 1, status.size(), this) != status.size()) {
                return Pass::ended;
            }
        }
        if (next_ == script_.size()) {
            return Pass::ended;
        }
        for (std::string& chunk : script_[next_]) {
            if (transfer_body_function(chunk.data(), 1, chunk.size(), this) != chunk.size()) {
                next_ = script_.size(); // libcurl aborts the transfer on a refused chunk
                return Pass::ended;
            }
        }
        ++next_;
        return next_ == script_.size() ? Pass::ended : Pass::running;
    }

    Script script_;
    std::size_t next_ = 0;
    bool header_sent_ = false;
};

} // namespace checker::test_support
