#!/usr/bin/env bash
# Prepares a Debian 12 (bookworm) machine to build and test Quellorn:
# native toolchain, MinGW-w64 cross toolchain, wine for running the Windows
# tests, and the -dev packages for the native build.
#
# Run as root. Safe to run repeatedly.
# Output of apt goes to $QUELLORN_SETUP_LOG (default /tmp/quellorn-setup-debian.log)
# so CI logs stay short; on failure the tail of that log is printed.
set -Eeuo pipefail

LOG="${QUELLORN_SETUP_LOG:-/tmp/quellorn-setup-debian.log}"
SRC_LIST=/etc/apt/sources.list.d/quellorn-src.sources

: >"$LOG"

step() { printf '[setup-debian] %s\n' "$*"; }

fail() {
    local rc=$?
    printf '[setup-debian] FAILED (exit %s) during: %s\n' "$rc" "${CURRENT_STEP:-?}" >&2
    printf '[setup-debian] last lines of %s:\n' "$LOG" >&2
    tail -n 40 "$LOG" >&2 || true
    exit "$rc"
}
trap fail ERR

run() {
    CURRENT_STEP="$*"
    "$@" >>"$LOG" 2>&1
}

if [[ $(id -u) -ne 0 ]]; then
    echo "[setup-debian] must run as root" >&2
    exit 1
fi

export DEBIAN_FRONTEND=noninteractive

# --- deb-src entry -------------------------------------------------------
# build-mingw-deps.sh needs `apt-get source`, which needs deb-src lines for
# the same archive and suites as the binary packages (so versions match).

has_debian_deb_src() {
    # Any active deb-src line/stanza other than ours counts; adding a second
    # one for the same archive would only make apt warn about duplicates.
    local f
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [[ -f $f ]] || continue
        grep -Eq '^[[:space:]]*deb-src[[:space:]]' "$f" && return 0
    done
    for f in /etc/apt/sources.list.d/*.sources; do
        [[ -f $f && $f != "$SRC_LIST" ]] || continue
        grep -Eiq '^Types:.*\bdeb-src\b' "$f" && return 0
    done
    return 1
}

# Turns every enabled "Types: deb" stanza of a deb822 file into a deb-src
# stanza with the same URIs/Suites/Components/Signed-By.
derive_from_deb822() {
    awk '
        function flush() {
            if (isdeb && enabled && uris != "" && suites != "") {
                if (n++) print ""
                print "Types: deb-src"
                print "URIs: " uris
                print "Suites: " suites
                if (comps != "") print "Components: " comps
                if (signed != "") print "Signed-By: " signed
            }
            isdeb = 0; enabled = 1; uris = suites = comps = signed = ""
        }
        BEGIN { enabled = 1 }
        /^[[:space:]]*#/ { next }
        /^[[:space:]]*$/ { flush(); next }
        {
            key = tolower($1); val = $0
            sub(/^[^:]*:[[:space:]]*/, "", val)
            if (key == "types:") { isdeb = (" " val " " ~ /[[:space:]]deb[[:space:]]/) }
            else if (key == "enabled:") { enabled = (tolower(val) != "no") }
            else if (key == "uris:") uris = val
            else if (key == "suites:") suites = val
            else if (key == "components:") comps = val
            else if (key == "signed-by:") signed = val
        }
        END { flush() }
    ' "$1"
}

# One-line-style sources.list: "deb [opts] URI suite comp..." -> deb-src.
derive_from_list() {
    awk '
        $1 == "deb" {
            $1 = "deb-src"; print
        }
    ' "$1"
}

write_deb_src() {
    local content="" fmt=deb822
    if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
        content=$(derive_from_deb822 /etc/apt/sources.list.d/debian.sources)
    fi
    if [[ -z $content && -f /etc/apt/sources.list ]] \
        && grep -Eq '^[[:space:]]*deb[[:space:]].*debian' /etc/apt/sources.list; then
        content=$(grep -E '^[[:space:]]*deb[[:space:]].*debian' /etc/apt/sources.list \
            | derive_from_list /dev/stdin)
        fmt=list
    fi
    if [[ -z $content ]]; then
        # Nothing to copy from: fall back to the standard Debian mirrors.
        local codename
        codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
        content="Types: deb-src
URIs: http://deb.debian.org/debian
Suites: ${codename} ${codename}-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: ${codename}-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg"
    fi
    local target=$SRC_LIST
    [[ $fmt == list ]] && target=/etc/apt/sources.list.d/quellorn-src.list
    local header="# Written by Quellorn scripts/setup-debian.sh: source packages for scripts/build-mingw-deps.sh"
    printf '%s\n%s\n' "$header" "$content" >"$target.tmp"
    mv "$target.tmp" "$target"
    step "wrote $target"
}

CURRENT_STEP="deb-src entry"
if [[ -f $SRC_LIST || -f /etc/apt/sources.list.d/quellorn-src.list ]]; then
    # Regenerate ours so it follows changes of the binary sources.
    rm -f "$SRC_LIST" /etc/apt/sources.list.d/quellorn-src.list
    write_deb_src
elif has_debian_deb_src; then
    step "deb-src entry already present"
else
    write_deb_src
fi

# --- packages ------------------------------------------------------------

PACKAGES=(
    build-essential cmake ninja-build pkg-config git ca-certificates
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
    binutils-mingw-w64-x86-64 mingw-w64-tools libz-mingw-w64-dev
    xvfb xauth libxcb1-dev libxcb-xtest0-dev libxcb-res0-dev
    zlib1g-dev libpng-dev libogg-dev libvorbis-dev libsndfile1-dev libflac-dev libfreetype-dev
    fonts-liberation2 fonts-dejavu-core
    libgtest-dev libgmock-dev libbenchmark-dev
    sox vorbis-tools flac dpkg-dev locales
    clang libclang-rt-14-dev
)
# wine keeps its recommends: they bring the X/GL/font libraries that a
# plug-in editor window needs under wine + Xvfb. wine32 (also recommended)
# is skipped by apt without an i386 architecture, which is fine.
WINE_PACKAGES=(wine64 wine)

step "apt-get update"
run apt-get update

step "installing build packages"
run apt-get install -y --no-install-recommends "${PACKAGES[@]}"

step "installing wine"
run apt-get install -y "${WINE_PACKAGES[@]}"

# --- MinGW thread model --------------------------------------------------
# The win32-thread variant lacks std::mutex/std::thread support in
# libstdc++; the code needs std::recursive_mutex, so pin the posix one.
step "selecting posix-thread MinGW-w64 compilers"
for tool in gcc g++ gfortran gnat; do
    name=x86_64-w64-mingw32-$tool
    if [[ -x /usr/bin/$name-posix ]]; then
        run update-alternatives --set "$name" "/usr/bin/$name-posix"
    fi
done

CURRENT_STEP="checking compilers"
for tool in gcc g++; do
    # Captured first: grep -q stops reading early, and under pipefail the compiler's
    # broken pipe would count as a failure.
    version_text=$(x86_64-w64-mingw32-$tool -v 2>&1 || true)
    if ! grep -q 'Thread model: posix' <<<"$version_text"; then
        echo "[setup-debian] x86_64-w64-mingw32-$tool is not the posix-thread variant" >&2
        exit 1
    fi
done

# A comma-decimal locale lets the tests prove that texts keep a decimal point whatever
# locale the host process runs under.
step "generating the de_DE.UTF-8 locale for the tests"
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    run localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi

step "done (log: $LOG)"
