#!/usr/bin/env bash
# The checker end to end: installs what is missing, builds, starts the project's own update service
# on loopback (with a throwaway certificate authority), and runs the checker against it in a
# temporary data directory, so the user's real data is never touched.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

build_dir=${BUILD_DIR:-build}
# Newer than the build the notifier is shipped with (10821203004).
offered_version=1.8.0.222-1.b10

step() { printf '\n==> %s\n' "$*"; }

scripts/install-deps.sh

step "Building (release) in $build_dir/"
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" -j2 --target checker
checker=$root/$build_dir/bin/checker

work=$(mktemp -d "${TMPDIR:-/tmp}/update-checker-demo.XXXXXX")
service_pid=""
cleanup() {
    if [[ -n "$service_pid" ]]; then
        kill "$service_pid" 2>/dev/null || true
        wait "$service_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

step "Starting the update service on 127.0.0.1 (offering $offered_version)"
python3 scripts/update_service.py --dir "$work/service" --version "$offered_version" \
    --lifetime 600 >"$work/service.out" 2>"$work/service.err" &
service_pid=$!
for _ in $(seq 100); do
    [[ -s "$work/service.out" ]] && break
    kill -0 "$service_pid" 2>/dev/null || { cat "$work/service.err" >&2; exit 1; }
    sleep 0.1
done
port=$(python3 -c 'import json, sys; print(json.load(sys.stdin)["trusted"])' <"$work/service.out")
url="https://127.0.0.1:$port/dm"
echo "listening: $url"

export XDG_DATA_HOME="$work/data"
config="$work/config.json"
cat >"$config" <<EOF
{
    "remote_version_url": "$url",
    "curl_cainfo_filename": "$work/service/ca.pem",
    "system_trace_enable": true
}
EOF
update_dir="$XDG_DATA_HOME/fennory/update_checker/update"

step "checker --config $config  (first run: no version.json yet)"
"$checker" --config "$config"

step "version.json"
cat "$update_dir/version.json"
echo

step "trace.json"
cat "$update_dir/trace.json"
echo

step "checker --config $config  (second run: the same version again, nothing is written)"
before=$(stat -c %Y.%i "$update_dir/version.json")
"$checker" --config "$config"
if [[ "$(stat -c %Y.%i "$update_dir/version.json")" == "$before" ]]; then
    echo "version.json unchanged"
fi

# --- notifier: its part of the demo goes here, before --delete removes version.json ---

step "checker --config $config --delete"
"$checker" --config "$config" --delete
if [[ ! -e "$XDG_DATA_HOME/fennory" ]]; then
    echo "version.json, trace.json and their directories are gone"
fi
