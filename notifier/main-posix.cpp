// The notifier on Linux: builds the desktop platform from the command line and runs the notifier.
#include "desktop_platform-posix.hpp"
#include "notifier_entry.hpp"
#include "support/files.hpp"

#include <exception>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    try {
        notifier::DesktopPlatform platform(
            std::vector<std::string>(argv, argv + argc),
            checker::strip_filename(checker::current_executable_path()));
        // One module: any non-null instance stands for it.
        return notifier::run_notifier(platform, static_cast<notifier::InstanceHandle>(1));
    } catch (const std::exception&) {
        // The notifier has no console to report to.
        return 1;
    }
}
