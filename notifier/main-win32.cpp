// The notifier on Windows: a windowed program whose entry builds the Win32 platform and runs the
// notifier. The command line is read whole through the platform; the show command is not used.
#include "desktop_platform-win32.hpp"
#include "handles-win32.hpp"
#include "notifier_entry.hpp"

#include <exception>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int /*show_command*/) {
    try {
        notifier::DesktopPlatform platform;
        return notifier::run_notifier(platform,
                                      notifier::to_handle<notifier::InstanceHandle>(instance));
    } catch (const std::exception&) {
        // The notifier has no console to report to.
        return 1;
    }
}
