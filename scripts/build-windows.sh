#!/usr/bin/env bash
# Cross-builds the 64-bit Windows build into build-windows/ (executables in build-windows/bin/):
# installs what is missing, cross-builds the libraries once (cached by
# scripts/build-windows-deps.sh), then configures with the windows preset and builds.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

echo "=== windows: libraries"
prefix=$(scripts/build-windows-deps.sh | tail -n 1)
if [[ ! -d "$prefix/lib/pkgconfig" ]]; then
    echo "scripts/build-windows-deps.sh named no usable prefix: [$prefix]" >&2
    exit 1
fi

echo "=== windows: configure and build"
cmake --preset windows -DWINDOWS_DEPS_PREFIX="$prefix" >/dev/null
cmake --build --preset windows
