// The download of the remote version document, parsed while it streams in.
#pragma once

#include "checker/config.hpp"
#include "checker/http_transfer.hpp"
#include "support/json.hpp"
#include "support/tracer.hpp"

namespace checker {

// The document at remote_version_url, already through json_load_hook and known to be an object.
JsonPtr fetch_remote_json(const CheckerConfig& config, Tracer& tracer);
// The same with another wait in place of the system's select.
JsonPtr fetch_remote_json(const CheckerConfig& config, Tracer& tracer,
                          SocketWaitFunction wait_for_sockets);

// Parses the body that transfer delivers, with the download's failure messages. Apart from
// fetch_remote_json so that the fuzz harness can drive it with scripted body pieces.
JsonPtr parse_streamed_body(HttpTransfer& transfer);

} // namespace checker
