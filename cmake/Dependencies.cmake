# Windows: the libraries come from the prefix that scripts/build-windows-deps.sh cross-builds, and
# are linked statically, so pkg-config is asked for the static flags (Libs.private included).
if(WIN32)
    set(WINDOWS_DEPS_PREFIX "$ENV{WINDOWS_DEPS_PREFIX}"
        CACHE PATH "Prefix of the cross-built Windows libraries (printed by scripts/build-windows-deps.sh)")
    if(NOT IS_DIRECTORY "${WINDOWS_DEPS_PREFIX}/lib/pkgconfig")
        message(FATAL_ERROR "WINDOWS_DEPS_PREFIX [${WINDOWS_DEPS_PREFIX}] holds no lib/pkgconfig: "
                            "run scripts/build-windows.sh, or pass the prefix that "
                            "scripts/build-windows-deps.sh prints")
    endif()
    # Only the prefix's .pc files: the build machine's own libraries must never be picked up.
    set(ENV{PKG_CONFIG_LIBDIR} "${WINDOWS_DEPS_PREFIX}/lib/pkgconfig")
    set(ENV{PKG_CONFIG_PATH} "")
    unset(ENV{PKG_CONFIG_SYSROOT_DIR})
    set(PKG_CONFIG_ARGN --static)
    # The toolchain file searches the target's tree only; the prefix is part of it.
    list(APPEND CMAKE_FIND_ROOT_PATH "${WINDOWS_DEPS_PREFIX}")
endif()

find_package(PkgConfig REQUIRED)
pkg_check_modules(JANSSON REQUIRED IMPORTED_TARGET jansson)
if(NOT WIN32)
    pkg_check_modules(GIO REQUIRED IMPORTED_TARGET gio-2.0)
endif()
