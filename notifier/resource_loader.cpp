#include "resource_loader.hpp"

#include "support/errors.hpp"

#include <vector>

namespace notifier {

namespace {
constexpr int kResourceBufferSize = 4096;
}

WideString load_resource_string(Notifier& notifier, std::uint32_t id) {
    std::vector<WideChar> buffer(kResourceBufferSize, WideChar{0});
    const int count =
        notifier.platform.load_string(notifier.instance, id, buffer.data(), kResourceBufferSize);
    if (count <= 0) {
        notifier.tracer.trace("error loading resource, uid: [" + checker::to_string(id) + "]");
        return checker::widen("ERROR_LOAD_RESOURCE");
    }
    return WideString(buffer.data(), static_cast<std::size_t>(count));
}

} // namespace notifier
