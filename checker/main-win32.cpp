// The checker's process entry on Windows. The arguments are taken as UTF-16 and converted to UTF-8
// before popt sees them: the ANSI code page cannot spell every path, and a path it cannot spell
// would reach the file layer as the name of another file.
#include "checker/entry.hpp"
#include "support/encoding.hpp"

#include <cstddef>
#include <cwchar>
#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    // popt keeps pointers into argv for as long as its context lives, and the context lives until
    // run_entry returns: both vectors outlive it.
    std::vector<std::string> arguments;
    arguments.reserve(static_cast<std::size_t>(argc));
    for (int index = 0; index < argc; ++index) {
        arguments.push_back(checker::narrow(argv[index], std::wcslen(argv[index])));
    }
    std::vector<const char*> narrow_argv;
    narrow_argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments) {
        narrow_argv.push_back(argument.c_str());
    }
    narrow_argv.push_back(nullptr);
    return checker::run_entry(argc, narrow_argv.data());
}
