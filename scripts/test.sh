#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: in the sanitizer build (dev
# preset) and in the release build.
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
