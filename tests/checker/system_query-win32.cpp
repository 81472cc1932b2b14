// Answers what the end-to-end suites must know about the Windows system that the checker runs on
// and cannot find out from outside it, one line per answer:
//   system_query message CODE...   the system's message for each error code
//   system_query local-app-data    the user's local application data directory
// Asked here directly, not through the checker's own code, so that the suites do not take the
// checker's word for what they check.
#include "test_platform.hpp"

#include <cstdio>
#include <memory>
#include <shlobj.h>
#include <string>
#include <windows.h>

namespace {

struct CoTaskMemFreer {
    void operator()(wchar_t* text) const noexcept { CoTaskMemFree(text); }
};

int print_local_app_data() {
    wchar_t* raw = nullptr;
    const HRESULT result =
        SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, &raw);
    const std::unique_ptr<wchar_t, CoTaskMemFreer> path(raw);
    if (result != S_OK) {
        return 1;
    }
    const int needed =
        WideCharToMultiByte(CP_UTF8, 0, path.get(), -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, path.get(), -1, text.data(), needed, nullptr, nullptr);
    std::puts(text.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string question = argc > 1 ? argv[1] : "";
    if (question == "local-app-data" && argc == 2) {
        return print_local_app_data();
    }
    if (question == "message") {
        for (int index = 2; index < argc; ++index) {
            const auto code = static_cast<std::uint32_t>(std::stoul(argv[index]));
            std::puts(test::platform::system_message(code).c_str());
        }
        return 0;
    }
    std::fputs("usage: system_query message CODE... | system_query local-app-data\n", stderr);
    return 2;
}
