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

# A Windows build made here runs its executables under Wine, in a prefix of its own inside the
# build tree so that it neither uses nor changes the user's ~/.wine. CTest runs the tests through
# this, and test discovery lists them through it; scripts/test-windows.sh prepares the prefix with
# the same settings. Switched off: Mono and Gecko, which wineboot would try to install, and the menu
# builder, which would write launchers into the user's desktop menus.
if(WIN32 AND CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    find_program(WINE_EXECUTABLE wine)
    if(WINE_EXECUTABLE)
        set(CMAKE_CROSSCOMPILING_EMULATOR
            env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEDEBUG=-all
            WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe= ${WINE_EXECUTABLE})
    endif()
endif()
