#!/usr/bin/env bash
# Both programs end to end: installs what is missing, builds, starts the project's own update service
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
cmake --build "$build_dir" -j2 --target checker notifier
checker=$root/$build_dir/bin/checker
notifier=$root/$build_dir/bin/notifier

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
# The vendor and application directories are the ones the notifier is built with, so that both
# programs meet in one update directory.
cat >"$config" <<EOF
{
    "remote_version_url": "$url",
    "vendor_name": "Quelvar",
    "application_name": "java-1.8.0-tavrik-1.8.0.212-3.b04.quelvar.windows.x86_64",
    "curl_cainfo_filename": "$work/service/ca.pem",
    "system_trace_enable": true
}
EOF
update_dir="$XDG_DATA_HOME/Quelvar/java-1.8.0-tavrik-1.8.0.212-3.b04.quelvar.windows.x86_64/update"

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

has_notification_server() {
    [[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ]] &&
        gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
            -m org.freedesktop.DBus.NameHasOwner org.freedesktop.Notifications 2>/dev/null |
        grep -q true
}

if has_notification_server; then
    step "notifier -v  (your desktop shows the notification; select it, or let it expire)"
    "$notifier" -v && status=0 || status=$?
else
    step "notifier -v  (no desktop notification server here: using the project's test server on a private bus)"
    # The test server prints each notification it is asked to show and lets it expire after 2 s.
    dbus-run-session -- bash -c '
        /usr/bin/python3 tests/notifier/notification_server.py --expire-after 2 --exit-after 30 &
        server=$!
        for _ in $(seq 100); do
            gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
                -m org.freedesktop.DBus.NameHasOwner org.freedesktop.Notifications 2>/dev/null |
                grep -q true && break
            sleep 0.1
        done
        "$1" -v && status=0 || status=$?
        kill "$server" 2>/dev/null
        exit "$status"' demo "$notifier" && status=0 || status=$?
fi
echo "notifier exit code: $status"

step "trace.json  (now the notifier's: its decision and the notification's life)"
cat "$update_dir/trace.json"
echo

step "checker --config $config --delete"
"$checker" --config "$config" --delete
if [[ ! -e "$XDG_DATA_HOME/Quelvar" ]]; then
    echo "version.json, trace.json and their directories are gone"
fi
