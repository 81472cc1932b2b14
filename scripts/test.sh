#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: in the sanitizer build (dev preset),
# in the release build, the fuzz targets in a clang build, the Windows cross build under Wine, and
# the benchmark once on its smallest response.
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

# The fuzz targets (clang, libFuzzer with ASan and UBSan), each for a short fixed time over its
# seed corpus; docs/reliability.md tells how to run them longer.
echo "=== fuzz: configure and build"
cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DUPDATE_CHECKER_SANITIZE=ON -DUPDATE_CHECKER_FUZZ=ON >/dev/null
cmake --build build-fuzz --target fuzz_targets -j2
echo "=== fuzz: test"
ctest --test-dir build-fuzz -L fuzz -j2 --output-on-failure

scripts/test-windows.sh

# The benchmark's smoke run, so that bench/run.sh keeps working; timings fail nothing.
echo "=== bench: smoke run"
bench/run.sh --quick
