#include "string_table-posix.hpp"

#include <algorithm>
#include <string_view>

namespace notifier {

namespace {

struct TableString {
    std::uint32_t id;
    std::u16string_view text;
};

#define NOTIFIER_STRING(id, text) {id, u"" text},
constexpr TableString kStrings[] = {
#include "notifier/strings.def"
};
#undef NOTIFIER_STRING

} // namespace

int copy_table_string(std::uint32_t id, WideChar* buffer, int capacity) {
    if (buffer == nullptr || capacity <= 0) {
        return 0;
    }
    buffer[0] = 0;
    const auto* found = std::find_if(std::begin(kStrings), std::end(kStrings),
                                     [id](const TableString& entry) { return entry.id == id; });
    if (found == std::end(kStrings)) {
        return 0;
    }
    const std::size_t count = std::min(found->text.size(), static_cast<std::size_t>(capacity - 1));
    std::copy_n(found->text.data(), count, buffer);
    buffer[count] = 0;
    return static_cast<int>(count);
}

} // namespace notifier
