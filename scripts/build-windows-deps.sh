#!/usr/bin/env bash
# Cross-builds the Windows (x86_64-w64-mingw32) dependencies as static
# libraries: jansson, popt, zlib, OpenSSL and libcurl.
#
# Sources are Debian bookworm source packages (so we get Debian's security
# patches), fetched with apt-get through a private apt state directory: the
# system's apt configuration is never touched.
#
# The install prefix is keyed on the source package versions plus
# SCRIPT_REVISION, and is reused when it already holds a completed build.
#
# Output: progress goes to stderr, build logs to files; the last line on
# stdout is the install prefix, so callers can do
#   prefix=$(scripts/build-windows-deps.sh | tail -1)
#
# Environment:
#   WINDOWS_DEPS_PREFIX     install prefix (default: keyed dir in the build root)
#   WINDOWS_DEPS_BUILD_DIR  build root (default: <repo>/build-windows-deps)
#   WINDOWS_DEPS_KEEP_WORK  set to 1 to keep the unpacked/build trees
set -euo pipefail

# Bump when the build recipe changes in a way that must invalidate prefixes.
SCRIPT_REVISION=1

HOST=x86_64-w64-mingw32
# The posix thread model flavour, so that C++ code linked against these
# libraries later can use std::thread / std::mutex.
TOOLCHAIN_PKG=g++-mingw-w64-x86-64-posix
CC_BIN=${HOST}-gcc-posix
SRC_PACKAGES=(jansson popt zlib openssl curl)
BUILD_TOOLS=("$TOOLCHAIN_PKG" dpkg-dev make perl autoconf automake libtool
             pkgconf patch xz-utils bzip2)

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
root=${WINDOWS_DEPS_BUILD_DIR:-$repo/build-windows-deps}

# Keep stdout clean for the final prefix line; everything else goes to stderr.
exec 3>&1 1>&2

log() { printf '[windows-deps] %s\n' "$*" >&2; }
die() { log "error: $*"; exit 1; }

mkdir -p "$root"
root=$(cd "$root" && pwd)
logdir=$root/logs
mkdir -p "$logdir"

# Serialise concurrent invocations sharing the same build root.
exec 9>"$root/.lock"
flock 9

# Runs a command with its output appended to a log file; on failure shows the
# tail of that log so the cause is visible without digging.
run_logged() {
    local logfile=$1; shift
    if ! "$@" >>"$logfile" 2>&1; then
        log "command failed: $*"
        log "last lines of $logfile:"
        tail -n 40 "$logfile" >&2 || true
        exit 1
    fi
}

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        die "need root (or sudo) to run: $*"
    fi
}

pkg_installed() {
    [ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" = installed ]
}

ensure_build_tools() {
    local missing=() p
    for p in "${BUILD_TOOLS[@]}"; do
        pkg_installed "$p" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    log "installing build tools: ${missing[*]}"
    local l=$logdir/apt-install.log
    : >"$l"
    run_logged "$l" as_root apt-get -o DPkg::Lock::Timeout=600 update
    run_logged "$l" as_root env DEBIAN_FRONTEND=noninteractive \
        apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends "${missing[@]}"
}

# --- private apt setup ------------------------------------------------------

aptdir=$root/apt
srcdir=$root/sources
mkdir -p "$aptdir/state/lists/partial" "$aptdir/cache/archives/partial" "$srcdir"
APT_OPTS=(
    -o "Dir::Etc::SourceList=$aptdir/sources.list"
    -o Dir::Etc::SourceParts=/dev/null
    -o "Dir::State=$aptdir/state"
    -o "Dir::Cache=$aptdir/cache"
)

# Mirror the system's Debian archives as deb-src entries (one line per
# URI/suite pair). Stanzas without Signed-By get the Debian archive keyring.
write_sources_list() {
    local sys=/etc/apt/sources.list.d/debian.sources
    local keyring=/usr/share/keyrings/debian-archive-keyring.gpg
    local out=$aptdir/sources.list.new
    if [ -r "$sys" ]; then
        awk -v defkey="$keyring" '
            function flush(   n, m, i, j, U, S, key) {
                if (types ~ /(^|[ \t])deb([ \t]|$)/ && enabled != "no") {
                    key = (sb != "") ? sb : defkey
                    n = split(uris, U, /[ \t]+/); m = split(suites, S, /[ \t]+/)
                    for (i = 1; i <= n; i++) for (j = 1; j <= m; j++)
                        if (U[i] != "" && S[j] != "")
                            printf "deb-src [signed-by=%s] %s %s %s\n", key, U[i], S[j], comps
                }
                types = uris = suites = comps = sb = enabled = ""
            }
            /^[ \t]*#/ { next }
            /^[ \t]*$/ { flush(); next }
            {
                k = tolower($1); sub(/:$/, "", k); $1 = ""; sub(/^[ \t]+/, "")
                if (k == "types") types = $0
                else if (k == "uris") uris = $0
                else if (k == "suites") suites = $0
                else if (k == "components") comps = $0
                else if (k == "signed-by") sb = $0
                else if (k == "enabled") enabled = tolower($0)
            }
            END { flush() }' "$sys" >"$out"
    elif [ -r /etc/apt/sources.list ]; then
        # One-line format: turn the binary entries into source entries.
        sed -n 's/^[[:space:]]*deb[[:space:]]\+/deb-src /p' /etc/apt/sources.list >"$out"
    else
        die "no Debian apt sources found on this system"
    fi
    [ -s "$out" ] || die "could not derive any deb-src entries from the system apt sources"
    mv "$out" "$aptdir/sources.list"
}

apt_update() {
    local l=$logdir/apt-update.log
    : >"$l"
    if ! apt-get "${APT_OPTS[@]}" update >>"$l" 2>&1 || grep -q '^[EW]: Failed to fetch' "$l"; then
        if compgen -G "$aptdir/state/lists/*Sources*" >/dev/null; then
            log "warning: refreshing source indexes failed (see $l); using the previous ones"
        else
            tail -n 20 "$l" >&2
            die "apt-get update for the source indexes failed"
        fi
    fi
}

# Versions of a source package known to the indexes, highest first.
source_versions() {
    local pkg=$1 v sorted=() i j
    while read -r v; do
        [ -n "$v" ] || continue
        sorted+=("$v")
    done < <(apt-cache "${APT_OPTS[@]}" showsrc --only-source "$pkg" 2>/dev/null |
             awk '/^Version: /{print $2}' | sort -u)
    # Insertion sort with dpkg's ordering (tiny lists).
    for ((i = 1; i < ${#sorted[@]}; i++)); do
        v=${sorted[i]}; j=$i
        while ((j > 0)) && dpkg --compare-versions "${sorted[j-1]}" lt "$v"; do
            sorted[j]=${sorted[j-1]}; j=$((j - 1))
        done
        sorted[j]=$v
    done
    printf '%s\n' "${sorted[@]}"
}

# Picks the newest version of a source package that can actually be
# downloaded (a mirror may list a version whose files are not served),
# downloading it into $srcdir unless it is already there. Prints the version.
fetch_source() {
    local pkg=$1 v ok l=$logdir/apt-source-$1.log
    : >"$l"
    local versions
    versions=$(source_versions "$pkg")
    [ -n "$versions" ] || die "no source package '$pkg' in the configured archives"
    while read -r v; do
        ok=$srcdir/.${pkg}_${v#*:}.complete
        if [ -e "$ok" ]; then
            printf '%s\n' "$v"; return 0
        fi
        if (cd "$srcdir" && apt-get "${APT_OPTS[@]}" source --download-only "$pkg=$v") >>"$l" 2>&1; then
            touch "$ok"
            printf '%s\n' "$v"; return 0
        fi
        log "warning: could not download $pkg $v, trying an older version (see $l)"
    done <<<"$versions"
    die "could not download any version of source package '$pkg'"
}

write_sources_list
apt_update

declare -A VERSION
key_input="rev=$SCRIPT_REVISION host=$HOST"
for p in "${SRC_PACKAGES[@]}"; do
    VERSION[$p]=$(fetch_source "$p")
    key_input+=" $p=${VERSION[$p]}"
done
key=$(printf '%s' "$key_input" | sha256sum | cut -c1-12)

prefix=${WINDOWS_DEPS_PREFIX:-$root/prefix-$key}
case $prefix in /*) ;; *) prefix=$PWD/$prefix ;; esac
stamp=$prefix/.windows-deps-complete

if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$key_input" ]; then
    log "up to date: $prefix"
    printf '%s\n' "$prefix" >&3
    exit 0
fi

log "building: $key_input"
log "prefix: $prefix"
start_time=$(date +%s)

ensure_build_tools
command -v "$CC_BIN" >/dev/null || die "$CC_BIN not found after installing $TOOLCHAIN_PKG"

# Only wipe a prefix this script created; never an arbitrary directory.
if [ -e "$prefix" ]; then
    if [ -e "$stamp" ] || [ -e "$prefix/.windows-deps-in-progress" ]; then
        rm -rf "$prefix"
    elif [ -n "$(ls -A "$prefix")" ]; then
        die "$prefix exists, is not empty and was not made by this script"
    fi
fi
mkdir -p "$prefix/lib/pkgconfig" "$prefix/include"
printf '%s\n' "$key_input" >"$prefix/.windows-deps-in-progress"

work=$root/work-$key
rm -rf "$work"
mkdir -p "$work"
blog=$logdir/build-$key
rm -rf "$blog"
mkdir -p "$blog"

# Cross environment shared by all builds. pkg-config only sees our prefix so
# nothing from the build machine leaks into the Windows libraries.
export CC=$CC_BIN
export AR=${HOST}-ar RANLIB=${HOST}-ranlib NM=${HOST}-nm STRIP=${HOST}-strip
export WINDRES=${HOST}-windres RC=${HOST}-windres
export CFLAGS="-O2" CPPFLAGS="" LDFLAGS=""
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig
export PKG_CONFIG_PATH=""
unset PKG_CONFIG_SYSROOT_DIR || true
export LC_ALL=C

unpack() {
    local pkg=$1 v=${VERSION[$1]}
    local dsc=$srcdir/${pkg}_${v#*:}.dsc
    local dest=$work/$pkg
    # Debian patches are applied (that is the point of using these sources).
    run_logged "$blog/$pkg.log" dpkg-source -x "$dsc" "$dest"
    printf '%s\n' "$dest"
}

build_zlib() {
    local s l=$blog/zlib.log
    log "zlib ${VERSION[zlib]}"
    s=$(unpack zlib)
    cd "$s"
    run_logged "$l" env CHOST=$HOST ./configure --static --prefix="$prefix"
    run_logged "$l" make -j2 libz.a
    run_logged "$l" make install
}

build_openssl() {
    local s l=$blog/openssl.log
    log "openssl ${VERSION[openssl]}"
    s=$(unpack openssl)
    cd "$s"
    # Configure prepends the cross prefix to CC/AR/RANLIB/RC itself, so hand
    # it the unprefixed names.
    run_logged "$l" env CC=gcc-posix AR=ar RANLIB=ranlib RC=windres NM=nm \
        perl ./Configure mingw64 --cross-compile-prefix="${HOST}-" \
        --prefix="$prefix" --libdir=lib --openssldir="$prefix/ssl" \
        no-shared no-tests
    # Libraries, headers and .pc files only: no apps, docs or engines/modules.
    run_logged "$l" make -j2 build_libs
    run_logged "$l" make install_dev
}

build_jansson() {
    local s l=$blog/jansson.log
    log "jansson ${VERSION[jansson]}"
    s=$(unpack jansson)
    cd "$s"
    # The Debian source ships no generated configure script.
    run_logged "$l" autoreconf -fi
    run_logged "$l" ./configure --host=$HOST --prefix="$prefix" \
        --disable-shared --enable-static
    run_logged "$l" make -j2 -C src
    run_logged "$l" make -C src install
    run_logged "$l" make install-pkgconfigDATA
}

build_popt() {
    local s l=$blog/popt.log
    log "popt ${VERSION[popt]}"
    s=$(unpack popt)
    cd "$s"
    # popt assumes a POSIX host in two places that its configure does not
    # test for: popthelp.c includes <sys/ioctl.h> unconditionally (the
    # TIOCGWINSZ code behind it is already guarded, so an empty header is
    # enough), and execCommand's no-setuid() fallback calls getuid() and
    # friends. Windows has no set-uid bits, so those are constant 0 here.
    local compat=$work/popt-compat
    mkdir -p "$compat/sys"
    : >"$compat/sys/ioctl.h"
    cat >"$compat/no-uids.h" <<'EOF'
#define getuid() 0
#define geteuid() 0
#define getgid() 0
#define getegid() 0
EOF
    run_logged "$l" ./configure --host=$HOST --prefix="$prefix" \
        --disable-shared --enable-static --disable-nls \
        CPPFLAGS="-I$compat -include $compat/no-uids.h"
    run_logged "$l" make -j2 -C src
    run_logged "$l" make -C src install
    run_logged "$l" make install-pkgconfigDATA
}

build_curl() {
    local s l=$blog/curl.log p
    log "curl ${VERSION[curl]}"
    s=$(unpack curl)
    cd "$s"
    # Debian stacks the GnuTLS and NSS flavour patches last and pops them for
    # its OpenSSL build; do the same.
    local flavour
    flavour=$(sed -e 's/#.*//' -e '/^[[:space:]]*$/d' debian/patches/series | tail -n 2 | tac)
    for p in $flavour; do
        case $p in
            *gnutls*|*nss*) run_logged "$l" patch -R -p1 -i "debian/patches/$p" ;;
            *) die "unexpected patch at the end of curl's series: $p" ;;
        esac
    done
    run_logged "$l" autoreconf -fi
    # configure asks pkg-config for OpenSSL's libraries without --static, so
    # its link probes would miss libcrypto's Windows system libraries.
    run_logged "$l" ./configure --host=$HOST --prefix="$prefix" \
        --disable-shared --enable-static PKG_CONFIG="pkg-config --static" \
        --with-openssl="$prefix" --with-zlib="$prefix" \
        --enable-threaded-resolver --disable-ares \
        --enable-http --disable-ftp --disable-file --disable-ldap --disable-ldaps \
        --disable-rtsp --disable-dict --disable-telnet --disable-tftp \
        --disable-pop3 --disable-imap --disable-smtp --disable-smb \
        --disable-gopher --disable-mqtt --disable-manual \
        --without-libssh2 --without-libssh --without-wolfssh \
        --without-nghttp2 --without-nghttp3 --without-ngtcp2 --without-quiche \
        --without-msh3 --without-libidn2 --without-winidn --without-brotli \
        --without-zstd --without-libpsl --without-librtmp --without-gssapi \
        --without-libgsasl --without-hyper \
        --without-ca-bundle --without-ca-path --without-ca-fallback
    run_logged "$l" make -j2 -C lib
    run_logged "$l" make -C lib install
    run_logged "$l" make -C include install
    run_logged "$l" make install-pkgconfigDATA
}

# Static consumers of libcurl need CURL_STATICLIB and the Windows system
# libraries that libcurl and OpenSSL use.
fix_curl_pc() {
    local pc=$prefix/lib/pkgconfig/libcurl.pc lib
    grep -q -- '-DCURL_STATICLIB' "$pc" ||
        sed -i 's/^Cflags:.*/& -DCURL_STATICLIB/' "$pc"
    for lib in -lws2_32 -lcrypt32 -lbcrypt -ladvapi32 -luser32; do
        grep -q -- "^Libs.private:.*$lib\\b" "$pc" ||
            sed -i "s/^Libs.private:.*/& $lib/" "$pc"
    done
}

# Link a tiny program against everything, to catch a broken prefix before it
# is marked complete.
smoke_link() {
    local t l=$blog/smoke.log
    log "smoke link test"
    t=$(mktemp -d "$work/smoke.XXXXXX")
    cat >"$t/smoke.c" <<'EOF'
#include <curl/curl.h>
#include <jansson.h>
#include <popt.h>
#include <zlib.h>
#include <openssl/crypto.h>
int main(int argc, const char **argv)
{
    json_t *o = json_pack("{s:s}", "k", "v");
    char *s = json_dumps(o, JSON_COMPACT);
    poptContext pc = poptGetContext("smoke", argc, argv, NULL, 0);
    int ok = s && pc && curl_version() && zlibVersion() && OpenSSL_version(OPENSSL_VERSION);
    poptFreeContext(pc);
    free(s);
    json_decref(o);
    return ok ? 0 : 1;
}
EOF
    # shellcheck disable=SC2046
    run_logged "$l" "$CC" -static -o "$t/smoke.exe" "$t/smoke.c" \
        $(pkg-config --static --cflags --libs libcurl jansson popt)
}

build_zlib
build_openssl
build_jansson
build_popt
build_curl
fix_curl_pc
# libtool archives only carry build paths, and nothing here needs man pages.
rm -f "$prefix"/lib/*.la
rm -rf "$prefix/share/man"
find "$prefix" -mindepth 1 -type d -empty -delete
smoke_link

for f in libjansson.a libpopt.a libz.a libssl.a libcrypto.a libcurl.a; do
    [ -f "$prefix/lib/$f" ] || die "missing $prefix/lib/$f"
done

cd "$root"
[ "${WINDOWS_DEPS_KEEP_WORK:-0}" = 1 ] || rm -rf "$work"
rm -f "$prefix/.windows-deps-in-progress"
printf '%s\n' "$key_input" >"$stamp"
log "done in $(( $(date +%s) - start_time ))s (logs: $blog)"
printf '%s\n' "$prefix" >&3
