#!/usr/bin/env bash
# Builds static x86_64-w64-mingw32 libpng, libogg, libvorbis (with
# vorbisfile and vorbisenc), libFLAC, libsndfile and FreeType from Debian's own source packages,
# at the versions Debian ships as binaries, so the Windows build uses the same
# library code as the native one.
#
# Usage: scripts/build-mingw-deps.sh [CACHE_DIR]
#   CACHE_DIR  install prefix, outside the git tree
#              (default: ${QUELLORN_DEPS_CACHE:-$HOME/.cache/quellorn/mingw-w64-deps})
#
# Environment:
#   QUELLORN_JOBS       parallel make jobs (default: nproc)
#   QUELLORN_DEPS_EXACT=1  fail instead of falling back to another Debian
#                       source version when the exact one can't be downloaded
#   QUELLORN_DEPS_KEEP_WORK=1  keep the temporary source/build dir
#
# libsndfile, libFLAC and FreeType are built with their own CMake files (the others with their
# configure scripts); libsndfile without the external codec libraries.
#
# zlib is not built: Debian's libz-mingw-w64-dev already provides a static
# libz.a under /usr/x86_64-w64-mingw32, and cmake/Dependencies.cmake uses it.
#
# Needs the packages and the deb-src entry from scripts/setup-debian.sh.
# A stamp file in CACHE_DIR records what was built; when it matches the
# current versions the script does nothing.
set -Eeuo pipefail

HOST=x86_64-w64-mingw32
# Bump when build flags or the set of libraries change, to force a rebuild.
RECIPE=5
# Binary packages whose versions the native build uses.
BIN_PACKAGES=(libogg-dev libvorbis-dev libpng-dev libsndfile1-dev libflac-dev libfreetype-dev)

SCRIPT_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO_DIR=$(cd "$SCRIPT_DIR/.." && pwd)

CACHE_DIR=${1:-${QUELLORN_DEPS_CACHE:-$HOME/.cache/quellorn/mingw-w64-deps}}
CACHE_DIR=$(realpath -m "$CACHE_DIR")
JOBS=${QUELLORN_JOBS:-$(nproc)}
STAMP=$CACHE_DIR/quellorn-deps.stamp
MARKER=$CACHE_DIR/.quellorn-mingw-deps

say() { printf '[mingw-deps] %s\n' "$*"; }
die() { printf '[mingw-deps] ERROR: %s\n' "$*" >&2; exit 1; }

case "$CACHE_DIR/" in
    "$REPO_DIR"/*) die "cache dir $CACHE_DIR is inside the git tree; pick a folder outside $REPO_DIR" ;;
esac

for tool in $HOST-gcc $HOST-g++ $HOST-ar $HOST-ranlib $HOST-objdump $HOST-windres make cmake ninja apt-get apt-cache dpkg-source flock; do
    command -v "$tool" >/dev/null || die "$tool not found; run scripts/setup-debian.sh as root first"
done

# --- versions ------------------------------------------------------------

# Prints "SOURCE_PACKAGE SOURCE_VERSION" for a binary package: the installed
# one if any (that is what the native build compiles against), else the
# candidate apt would install.
source_of() {
    local bin=$1 ver src
    if [[ $(dpkg-query -W -f='${db:Status-Status}' "$bin" 2>/dev/null) == installed ]]; then
        dpkg-query -W -f='${source:Package} ${source:Version}\n' "$bin"
        return
    fi
    ver=$(apt-cache policy "$bin" | awk '/Candidate:/ {print $2}')
    [[ -n $ver && $ver != "(none)" ]] || die "no version of $bin known to apt; run scripts/setup-debian.sh"
    src=$(apt-cache show "$bin=$ver" | awk '/^Source:/ {sub(/^Source:[ \t]*/, ""); print; exit}')
    if [[ -z $src ]]; then
        echo "$bin $ver"
    elif [[ $src == *"("*")"* ]]; then
        # "Source: name (version)" when the binary was rebuilt on its own.
        echo "$src" | sed -E 's/^([^ ]+) \((.*)\)$/\1 \2/'
    else
        echo "$src $ver"
    fi
}

declare -A SRC_VERSION
SRC_ORDER=()
for bin in "${BIN_PACKAGES[@]}"; do
    read -r src ver < <(source_of "$bin")
    [[ -n ${src:-} && -n ${ver:-} ]] || die "cannot tell the source package of $bin"
    SRC_VERSION[$src]=$ver
    SRC_ORDER+=("$src")
done

TOOLCHAIN_VERSION=$(dpkg-query -W -f='${Version}' gcc-mingw-w64-x86-64-posix 2>/dev/null \
    || $HOST-gcc -dumpversion)

wanted_stamp() {
    echo "recipe=$RECIPE"
    echo "host=$HOST"
    echo "toolchain=$TOOLCHAIN_VERSION"
    local s
    for s in "${SRC_ORDER[@]}"; do echo "$s=${SRC_VERSION[$s]}"; done
}
WANTED=$(wanted_stamp)

REQUIRED_FILES=(
    include/png.h include/ogg/ogg.h include/vorbis/codec.h include/vorbis/vorbisfile.h
    lib/libpng16.a lib/libogg.a lib/libvorbis.a lib/libvorbisfile.a lib/libvorbisenc.a
    include/sndfile.h lib/libsndfile.a
    include/FLAC/stream_decoder.h lib/libFLAC.a
    include/freetype2/ft2build.h lib/libfreetype.a
)

cache_complete() {
    [[ -f $STAMP ]] || return 1
    # Comment lines only describe what happened; the rest must match.
    [[ $(grep -v '^#' "$STAMP") == "$WANTED" ]] || return 1
    local f
    for f in "${REQUIRED_FILES[@]}"; do [[ -f $CACHE_DIR/$f ]] || return 1; done
}

mkdir -p "$(dirname "$CACHE_DIR")"
exec 9>"$CACHE_DIR.lock"
# Another run (e.g. CI and a developer shell) may be building the same cache.
flock 9

if cache_complete; then
    say "up to date: $CACHE_DIR ($(sed -n 's/^# built //p' "$STAMP" | paste -sd, -))"
    exit 0
fi

# --- fresh prefix --------------------------------------------------------

if [[ -d $CACHE_DIR ]]; then
    if [[ -f $MARKER ]] || [[ -z $(ls -A "$CACHE_DIR") ]]; then
        rm -rf "$CACHE_DIR"
    else
        die "$CACHE_DIR exists and is not a Quellorn deps cache; refusing to delete it"
    fi
fi
mkdir -p "$CACHE_DIR"
: >"$MARKER"

WORK=$(mktemp -d "${TMPDIR:-/tmp}/quellorn-mingw-deps.XXXXXX")
LOGDIR=$CACHE_DIR/logs
mkdir -p "$LOGDIR"
CURRENT_LOG=""

on_error() {
    local rc=$?
    printf '[mingw-deps] FAILED (exit %s)\n' "$rc" >&2
    if [[ -n $CURRENT_LOG && -f $CURRENT_LOG ]]; then
        printf '[mingw-deps] last lines of %s:\n' "$CURRENT_LOG" >&2
        tail -n 30 "$CURRENT_LOG" >&2 || true
    fi
    exit "$rc"
}
# Sources and build trees are ~100 MB; the logs stay in the cache dir.
on_exit() {
    if [[ ${QUELLORN_DEPS_KEEP_WORK:-0} == 1 ]]; then
        say "work dir kept: $WORK"
    else
        rm -rf "$WORK"
    fi
}
trap on_error ERR
trap on_exit EXIT

logged() {
    "$@" >>"$CURRENT_LOG" 2>&1
}

APT_OPTS=(-q)
if [[ $(id -u) -eq 0 ]]; then
    # As root apt drops to _apt for downloads, which can't write to our
    # private temp dir; stay root instead of loosening permissions.
    APT_OPTS+=(-o APT::Sandbox::User=root)
fi

# Source versions of a source package that apt knows, newest first.
known_source_versions() {
    apt-cache showsrc "$1" 2>/dev/null \
        | awk -v p="$1" '/^Package:/ {cur = $2} /^Version:/ && cur == p {print $2}' \
        | sort -u \
        | {
            local a=() v i j t
            while read -r v; do a+=("$v"); done
            for ((i = 1; i < ${#a[@]}; i++)); do
                t=${a[i]}
                j=$((i - 1))
                while ((j >= 0)) && dpkg --compare-versions "${a[j]}" lt "$t"; do
                    a[j + 1]=${a[j]}
                    j=$((j - 1))
                done
                a[j + 1]=$t
            done
            ((${#a[@]})) && printf '%s\n' "${a[@]}"
        }
}

# Downloads and unpacks (with Debian's patches applied) a source package.
# Tries the wanted version first; if the mirror doesn't serve it, falls back
# to the newest older one it does serve (unless QUELLORN_DEPS_EXACT=1).
# Sets FETCHED_DIR and FETCHED_VERSION.
fetch_source() {
    local src=$1 wanted=$2 v dir candidates=()
    apt-cache showsrc "$src" >/dev/null 2>&1 \
        && [[ -n $(apt-cache showsrc "$src" 2>/dev/null) ]] \
        || die "apt knows no source package $src; run scripts/setup-debian.sh (adds deb-src and runs apt-get update)"
    candidates+=("$wanted")
    if [[ ${QUELLORN_DEPS_EXACT:-0} != 1 ]]; then
        while read -r v; do
            [[ -n $v && $v != "$wanted" ]] || continue
            dpkg --compare-versions "$v" lt "$wanted" && candidates+=("$v")
        done < <(known_source_versions "$src")
    fi
    for v in "${candidates[@]}"; do
        dir=$WORK/src/$src-$v
        mkdir -p "$dir"
        echo "=== apt-get source $src=$v" >>"$CURRENT_LOG"
        if (cd "$dir" && apt-get "${APT_OPTS[@]}" source --only-source "$src=$v") >>"$CURRENT_LOG" 2>&1; then
            FETCHED_DIR=$(find "$dir" -mindepth 1 -maxdepth 1 -type d | head -n1)
            [[ -d $FETCHED_DIR/debian ]] || die "unpacking $src=$v gave no source tree"
            FETCHED_VERSION=$v
            if [[ $v != "$wanted" ]]; then
                say "WARNING: source $src=$wanted is not downloadable here; built $src=$v instead"
                FALLBACK_NOTES+=("# $src: wanted $wanted, built $v (exact source not downloadable)")
            fi
            return 0
        fi
    done
    die "could not download source package $src=$wanted (see $CURRENT_LOG)"
}

PREFIX=$CACHE_DIR
BUILD_TRIPLET=$(gcc -dumpmachine 2>/dev/null || echo x86_64-linux-gnu)
# -O2 and no -ffast-math: the configure scripts may add their own -O3 or
# -ffast-math for some hosts; flags given last win with GCC.
OPT_FLAGS="-O2 -fno-fast-math"

# Giving both --build and --host makes autoconf treat this as a cross build
# outright, instead of probing whether a .exe happens to run (binfmt+wine).
CONFIGURE_COMMON=(
    --build="$BUILD_TRIPLET" --host="$HOST" --prefix="$PREFIX"
    --disable-shared --enable-static --disable-maintainer-mode
)
# Only our prefix: the build machine's native .pc files must never leak in.
export PKG_CONFIG_LIBDIR=$PREFIX/lib/pkgconfig
export PKG_CONFIG_PATH=
export CFLAGS=$OPT_FLAGS
export CPPFLAGS="-I$PREFIX/include"
export LDFLAGS="-L$PREFIX/lib"
unset CC CXX LD AR RANLIB CONFIG_SITE || true

# Fails if a configured Makefile still carries -ffast-math, which would make
# the Windows decoder's float results differ from the native one.
check_no_fast_math() {
    if grep -E '^(C|AM_C)FLAGS[[:space:]]*=' "$1/Makefile" | grep -q -- '-ffast-math'; then
        die "-ffast-math in $1/Makefile"
    fi
}

build_autotools() {
    local src=$1; shift
    local start=$SECONDS
    CURRENT_LOG=$LOGDIR/$src.log
    : >"$CURRENT_LOG"
    say "$src ${SRC_VERSION[$src]}: fetching source"
    fetch_source "$src" "${SRC_VERSION[$src]}"
    BUILT_VERSION[$src]=$FETCHED_VERSION
    local bdir=$WORK/build/$src
    mkdir -p "$bdir"
    say "$src $FETCHED_VERSION: building"
    cd "$bdir"
    logged "$FETCHED_DIR/configure" "${CONFIGURE_COMMON[@]}" "$@"
    check_no_fast_math "$bdir"
    # V=1 so the log shows the real compiler flags.
    logged make -j"$JOBS" V=1
    logged make install V=1
    cd "$WORK"
    say "$src: done in $((SECONDS - start)) s"
}

# Debian's libsndfile source has no generated configure script (its package runs
# autoreconf), but it ships a CMake build, which needs no autotools here.
build_cmake() {
    local src=$1; shift
    local start=$SECONDS
    CURRENT_LOG=$LOGDIR/$src.log
    : >"$CURRENT_LOG"
    say "$src ${SRC_VERSION[$src]}: fetching source"
    fetch_source "$src" "${SRC_VERSION[$src]}"
    BUILT_VERSION[$src]=$FETCHED_VERSION
    local bdir=$WORK/build/$src
    say "$src $FETCHED_VERSION: building"
    # A cross build without an emulator: no try_run probes run (libsndfile then assumes
    # a CPU that does not clip), and nothing outside the MinGW roots is found. The
    # optimisation comes from CFLAGS, as for the other libraries, not from Release's -O3.
    logged cmake -S "$FETCHED_DIR" -B "$bdir" -G Ninja \
        -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR=x86_64 \
        -DCMAKE_C_COMPILER="$HOST-gcc" -DCMAKE_CXX_COMPILER="$HOST-g++" \
        -DCMAKE_RC_COMPILER="$HOST-windres" \
        -DCMAKE_FIND_ROOT_PATH="/usr/$HOST;$PREFIX" \
        -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY \
        -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE=-DNDEBUG \
        -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_INSTALL_LIBDIR=lib \
        -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DBUILD_SHARED_LIBS=OFF "$@"
    if grep -q -- '-ffast-math' "$bdir/compile_commands.json"; then
        die "-ffast-math in the $src build"
    fi
    logged cmake --build "$bdir" -j "$JOBS" -v
    logged cmake --install "$bdir"
    say "$src: done in $((SECONDS - start)) s"
}

declare -A BUILT_VERSION
FALLBACK_NOTES=()
TOTAL_START=$SECONDS
say "building into $PREFIX (jobs: $JOBS)"

# Order matters: vorbis finds ogg through the prefix's pkg-config files.
build_autotools libogg
build_autotools libvorbis --disable-docs --disable-examples --disable-oggtest
# zlib for libpng comes from the MinGW sysroot (libz-mingw-w64-dev).
build_autotools libpng1.6
# Only quellorn-host uses it, to write WAV files: no codecs from other libraries, no
# programs (which would want ALSA), no test suite or regtest (which would want SQLite).
build_cmake libsndfile -DENABLE_EXTERNAL_LIBS=OFF -DENABLE_MPEG=OFF -DBUILD_PROGRAMS=OFF \
    -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF -DBUILD_REGTEST=OFF -DENABLE_CPACK=OFF \
    -DENABLE_PACKAGE_CONFIG=OFF -DINSTALL_MANPAGES=OFF -DENABLE_STATIC_RUNTIME=OFF
# Only the C decoder is used: no programs, C++ bindings, examples, docs or tests, and no
# Ogg FLAC. Stack protection and FORTIFY_SOURCE would pull in libssp, a DLL beside the
# system libraries.
build_cmake flac -DBUILD_PROGRAMS=OFF -DBUILD_CXXLIBS=OFF -DBUILD_EXAMPLES=OFF \
    -DBUILD_DOCS=OFF -DBUILD_TESTING=OFF -DWITH_OGG=OFF -DINSTALL_MANPAGES=OFF \
    -DWITH_STACK_PROTECTOR=OFF -DWITH_FORTIFY_SOURCE=OFF \
    -DINSTALL_PKGCONFIG_MODULES=OFF -DINSTALL_CMAKE_CONFIG_MODULE=OFF
# The editor's text: only TrueType outlines compiled into the module are read, so none of
# the optional libraries (compressed or colour fonts, shaping) are needed. zlib is the
# sysroot's static one, named outright: FreeType's bundled copy would define zlib's symbols
# a second time in programs that also link libz.a.
build_cmake freetype -DFT_DISABLE_BZIP2=TRUE -DFT_DISABLE_BROTLI=TRUE \
    -DFT_DISABLE_HARFBUZZ=TRUE -DFT_DISABLE_PNG=TRUE -DFT_REQUIRE_ZLIB=TRUE \
    -DZLIB_LIBRARY="/usr/$HOST/lib/libz.a" -DZLIB_INCLUDE_DIR="/usr/$HOST/include"

CURRENT_LOG=""
# libtool archives carry absolute paths and nothing here uses them; docs
# and man pages only take space.
rm -f "$PREFIX"/lib/*.la
rm -rf "$PREFIX"/share/doc "$PREFIX"/share/man

for f in "${REQUIRED_FILES[@]}"; do
    [[ -f $PREFIX/$f ]] || die "missing $PREFIX/$f after build"
done
for a in libpng16.a libogg.a libvorbis.a libvorbisfile.a libvorbisenc.a libsndfile.a libFLAC.a \
    libfreetype.a; do
    # Captured first: grep -q stops reading early, and under pipefail objdump's broken
    # pipe on a large archive would count as a failure.
    format_text=$($HOST-objdump -f "$PREFIX/lib/$a")
    grep -q 'file format pe-x86-64' <<<"$format_text" || die "$a is not an x86-64 PE archive"
done

# The stamp goes last, so an interrupted build is redone next time.
{
    echo "# Quellorn MinGW-w64 deps, built $(date -u +%Y-%m-%dT%H:%M:%SZ) in $((SECONDS - TOTAL_START)) s"
    for s in "${SRC_ORDER[@]}"; do echo "# built $s ${BUILT_VERSION[$s]}"; done
    ((${#FALLBACK_NOTES[@]})) && printf '%s\n' "${FALLBACK_NOTES[@]}"
    echo "$WANTED"
} >"$STAMP"

say "done in $((SECONDS - TOTAL_START)) s: $PREFIX"
