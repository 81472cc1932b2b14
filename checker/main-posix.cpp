// The checker's process entry: arguments are UTF-8 on Linux and go to popt unchanged.
#include "checker/entry.hpp"

int main(int argc, char** argv) {
    return checker::run_entry(argc, argv);
}
