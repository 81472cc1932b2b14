// Every JSON value the checker parses (the download, config.json, version.json) is offered to the
// remote descriptor conversion before it must be an object.
#include "checker/remote_descriptor.hpp"
#include "support/json.hpp"

namespace checker {

JsonPtr json_load_hook(JsonPtr value) {
    return convert_remote_descriptor(std::move(value));
}

} // namespace checker
