#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: in the sanitizer build (dev preset),
# in the release build, and in the Windows cross build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

for preset in dev release; do
    echo "=== $preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    echo "=== $preset: test"
    ctest --preset "$preset"
done

scripts/test-windows.sh
