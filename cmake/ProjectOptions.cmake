# Compile options shared by every target of the project, applied through an interface target so
# that they stay on the project's own targets and never leak into dependencies.
add_library(project_options INTERFACE)

target_compile_options(project_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                                  -Wno-sign-conversion)
if(UPDATE_CHECKER_WERROR)
    target_compile_options(project_options INTERFACE -Werror)
endif()

if(UPDATE_CHECKER_SANITIZE)
    target_compile_options(project_options INTERFACE -fsanitize=address,undefined
                                                     -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(project_options INTERFACE -fsanitize=address,undefined)
endif()

# The platform layer is picked by file name: name-posix.cpp on Linux, name-win32.cpp on Windows.
if(WIN32)
    set(PLATFORM_SUFFIX win32)
else()
    set(PLATFORM_SUFFIX posix)
endif()
