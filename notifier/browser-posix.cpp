#include "browser-posix.hpp"

#include <gio/gio.h>
#include <memory>

namespace notifier {

namespace {

constexpr std::intptr_t kStarted = 42;
constexpr std::intptr_t kNoAssociation = 31; // SE_ERR_NOASSOC
constexpr std::intptr_t kNotStarted = 2;     // SE_ERR_FNF

struct ErrorFree {
    void operator()(GError* error) const noexcept { g_error_free(error); }
};

} // namespace

std::intptr_t open_in_browser(const std::string& address) {
    GError* raw_error = nullptr;
    const gboolean started =
        g_app_info_launch_default_for_uri(address.c_str(), nullptr, &raw_error);
    const std::unique_ptr<GError, ErrorFree> error(raw_error);
    if (started) {
        return kStarted;
    }
    return error && error->domain == G_IO_ERROR && error->code == G_IO_ERROR_NOT_SUPPORTED
               ? kNoAssociation
               : kNotStarted;
}

} // namespace notifier
