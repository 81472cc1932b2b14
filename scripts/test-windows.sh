#!/usr/bin/env bash
# Builds the Windows build (scripts/build-windows.sh) and runs its tests under Wine through CTest,
# headless and without questions, in a Wine prefix of the build tree's own. The settings are the
# ones of the CTest emulator in cmake/ProjectOptions.cmake. Arguments go to ctest: for instance
# "-L checker" runs the checker's tests only (its unit tests, resources and end-to-end suites).
# "-L notifier" runs the notifier's: its logic and Windows layer, and notifier.exe on a virtual
# display in a Wine prefix of the test's own (build-windows/wineprefix-desktop).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/build-windows.sh

export WINEPREFIX=$PWD/build-windows/wineprefix
export WINEDEBUG=-all
# No Mono or Gecko (wineboot would offer to install them) and no launchers in the desktop menus.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
# Console programs need no display; without one Wine never tries to reach an X server.
unset DISPLAY WAYLAND_DISPLAY

# Creates the prefix on the first run and updates it after a Wine upgrade. Only 64-bit Wine is
# installed, so a first run reports that syswow64\rundll32.exe cannot be opened; nothing needs it.
echo "=== windows: Wine prefix $WINEPREFIX"
wineboot --init
wineserver --wait

# One server for the whole run, and Wine's background services started in it with none of our
# streams: they keep the streams of whichever program starts them for as long as the server runs,
# and CTest would wait for a test's streams to close.
wineserver --persistent </dev/null >/dev/null 2>&1
trap 'wineserver --kill' EXIT
wineboot </dev/null >/dev/null 2>&1

echo "=== windows: test"
ctest --preset windows "$@"
