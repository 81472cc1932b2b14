#!/usr/bin/env bash
# Benchmarks: the checker and the notifier against `curl` and `curl | jq`, on loopback, with cost
# growth from a 2 KB to a 64 MB response. Installs what is missing, builds the Release programs in
# build-bench/, measures, and writes docs/performance.md with its plots docs/images/perf-*.png.
#
#   bench/run.sh                 full run (about 10 minutes)
#   bench/run.sh --quick         2 KB only, few runs: a smoke run that keeps this working; its
#                                report goes to build-bench/bench-quick/, never over docs/
#   bench/run.sh --report-only   writes the report again from the last run's results
set -euo pipefail
cd "$(dirname "$0")/.."

mode=full
report_only=()
for argument in "$@"; do
    case "$argument" in
        --quick) mode=quick ;;
        --report-only) report_only=(--report-only) ;;
        *) echo "usage: bench/run.sh [--quick] [--report-only]" >&2; exit 2 ;;
    esac
done

build_dir=build-bench
if [[ $mode == quick ]]; then
    work=$build_dir/bench-quick
    report=$work/performance.md
    images=$work/images
else
    work=$build_dir/bench
    report=docs/performance.md
    images=docs/images
fi

if ((${#report_only[@]} == 0)); then
    scripts/install-deps.sh
    cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DUPDATE_CHECKER_TESTS=OFF >/dev/null
    cmake --build "$build_dir" -j2 --target checker notifier
fi

# Debian's interpreter: the notifier part needs its GObject introspection (python3-gi).
exec /usr/bin/python3 bench/bench.py --mode "$mode" --build-dir "$build_dir" --work "$work" \
    --report "$report" --images "$images" "${report_only[@]}"
