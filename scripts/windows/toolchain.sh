#!/usr/bin/env bash
# Cross toolchain for the Windows (x86_64, MinGW-w64) build: installs the
# Debian packages, then cross-builds Qt and hidapi from Debian's own source
# packages into a cache outside the checkout, once. Later runs reuse it.
#
# Prints the cache folder on the last line of stdout; configure with
#   cmake -G Ninja -DCMAKE_TOOLCHAIN_FILE=scripts/windows/mingw64.cmake \
#         -DCMAKE_PREFIX_PATH="<cache>/qt;<cache>/hidapi" -DQT_HOST_PATH=/usr
#
# Environment:
#   ZORVEL_WIN64_CACHE  cache root (default /var/cache/zorvel-win64)
#   ZORVEL_WIN64_JOBS   parallel compile jobs (default 2)
set -euo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
TOOLCHAIN_FILE=$HERE/mingw64.cmake
CACHE_ROOT=${ZORVEL_WIN64_CACHE:-/var/cache/zorvel-win64}
JOBS=${ZORVEL_WIN64_JOBS:-2}
# The machine is shared with other builds; stay out of their way.
NICE=(nice -n 15)

log() { printf '[win64] %s\n' "$*" >&2; }
die() { log "error: $*"; exit 1; }

# install_missing, and the Linux build's own packages (its host tools: moc, rcc, uic).
source "$HERE/../common.sh"

WIN64_PACKAGES=(
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
    binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
    wine64 nsis zip cmake ninja-build dpkg-dev
    qt6-base-dev qt6-base-dev-tools qt6-tools-dev-tools qt6-l10n-tools
    qt6-translations-l10n
    # Qt's configure runs perl (syncqt); tclsh turns SQLite's source tree
    # into the single-file amalgamation that Qt's SQLite driver compiles.
    perl tcl make gcc xz-utils
)

# Debian version -> upstream version: 6.4.2+dfsg-10 -> 6.4.2.
upstream() { local v=${1#*:}; v=${v%-*}; echo "${v%%+*}"; }

install_missing "${WIN64_PACKAGES[@]}" >&2

# The cross-built Qt must match the host tools (moc, rcc, uic) exactly, and
# the Linux build uses these same versions, so both builds behave alike.
QT_DEB_VERSION=$(dpkg-query -W -f='${Version}' qt6-base-dev)
QT_VERSION=$(upstream "$QT_DEB_VERSION")
# Taken from the machine's own lists, so a warm run needs no network.
HIDAPI_DEB_VERSION=$(apt-cache show --no-all-versions libhidapi-dev 2>/dev/null \
    | sed -n 's/^Version: //p' | head -n1)
[ -n "$HIDAPI_DEB_VERSION" ] || die "apt knows no libhidapi-dev; run apt-get update"
HIDAPI_VERSION=$(upstream "$HIDAPI_DEB_VERSION")

KEY=qt-$QT_VERSION-$HIDAPI_VERSION
DEST=$CACHE_ROOT/$KEY
MARKER=$DEST/.complete
WORK=$CACHE_ROOT/work/$KEY

if [ -f "$MARKER" ]; then
    log "cached: $DEST ($(cat "$DEST/build-time.txt" 2>/dev/null || echo '?'))"
    echo "$DEST"
    exit 0
fi
# Anything at DEST without the marker is debris from an interrupted rename.
rm -rf "$DEST"

START=$(date +%s)
mkdir -p "$WORK"

# --- source packages, through a private apt state --------------------------
# The machine's sources have no deb-src lines and must stay as they are, so
# apt reads a deb-src copy of them, and lists and caches of its own.
APT_DIR=$CACHE_ROOT/apt
mkdir -p "$APT_DIR/sources.list.d" "$APT_DIR/lists/partial" "$APT_DIR/cache/archives/partial"
APT_OPTS=(
    -o "Dir::Etc::SourceParts=$APT_DIR/sources.list.d"
    -o "Dir::Etc::SourceList=/dev/null"
    -o "Dir::State::Lists=$APT_DIR/lists"
    -o "Dir::Cache=$APT_DIR/cache"
)
write_src_sources() {
    local in=/etc/apt/sources.list.d/debian.sources out=$APT_DIR/sources.list.d/debian-src.sources
    [ -f "$in" ] || die "$in is missing"
    # One deb822 stanza per paragraph; keep URIs, Suites, Components and the
    # key, and change only the type.
    awk '
        function flush() {
            if (uris != "") {
                printf "%sTypes: deb-src\nURIs: %s\nSuites: %s\nComponents: %s\n", sep, uris, suites, comps
                if (signed != "") printf "Signed-By: %s\n", signed
                sep = "\n"
            }
            uris = suites = comps = signed = ""
        }
        /^[ \t]*#/ { next }
        /^[ \t]*$/ { flush(); next }
        /^URIs:/ { sub(/^URIs:[ \t]*/, ""); uris = $0 }
        /^Suites:/ { sub(/^Suites:[ \t]*/, ""); suites = $0 }
        /^Components:/ { sub(/^Components:[ \t]*/, ""); comps = $0 }
        /^Signed-By:/ { sub(/^Signed-By:[ \t]*/, ""); signed = $0 }
        END { flush() }
    ' "$in" > "$out.new"
    grep -q '^URIs:' "$out.new" || die "no URIs found in $in"
    mv "$out.new" "$out"
}

SRC=$WORK/src
fetch_source() { # package debian-version -> unpacked dir on stdout
    local package=$1 version=$2 dir
    dir=$(find "$SRC" -maxdepth 1 -type d -name "$package-$(upstream "$version")*" 2>/dev/null | head -n1)
    if [ -z "$dir" ] || [ ! -f "$dir/.unpacked" ]; then
        [ -n "$dir" ] && rm -rf "$dir"
        log "fetching source $package=$version"
        mkdir -p "$SRC"
        (cd "$SRC" && "${NICE[@]}" apt-get "${APT_OPTS[@]}" -q source "$package=$version" >&2)
        dir=$(find "$SRC" -maxdepth 1 -type d -name "$package-$(upstream "$version")*" | head -n1)
        [ -n "$dir" ] || die "apt-get source $package left no folder"
        touch "$dir/.unpacked"
    fi
    echo "$dir"
}

write_src_sources
log "updating private apt lists"
apt-get "${APT_OPTS[@]}" -q update >&2

QT_SRC=$(fetch_source qt6-base "$QT_DEB_VERSION")
HIDAPI_SRC=$(fetch_source hidapi "$HIDAPI_DEB_VERSION")

# Debian strips Qt's bundled SQLite from its source (not the preferred form
# for modification), so build the amalgamation from Debian's sqlite3 source.
if [ ! -f "$QT_SRC/src/3rdparty/sqlite/sqlite3.c" ]; then
    SQLITE_DEB_VERSION=$(apt-cache "${APT_OPTS[@]}" showsrc sqlite3 \
        | sed -n 's/^Version: //p' | sort -V | tail -n1)
    [ -n "$SQLITE_DEB_VERSION" ] || die "no sqlite3 source package"
    SQLITE_SRC=$(fetch_source sqlite3 "$SQLITE_DEB_VERSION")
    log "making the SQLite amalgamation from sqlite3 $SQLITE_DEB_VERSION"
    rm -rf "$WORK/sqlite-amalgamation"
    mkdir -p "$WORK/sqlite-amalgamation"
    (cd "$WORK/sqlite-amalgamation" \
        && "${NICE[@]}" "$SQLITE_SRC/configure" --disable-tcl >configure.log 2>&1 \
        && "${NICE[@]}" make -j"$JOBS" sqlite3.c >make.log 2>&1) \
        || die "SQLite amalgamation failed, see $WORK/sqlite-amalgamation/*.log"
    mkdir -p "$QT_SRC/src/3rdparty/sqlite"
    cp "$WORK/sqlite-amalgamation/sqlite3.c" "$WORK/sqlite-amalgamation/sqlite3.h" \
        "$QT_SRC/src/3rdparty/sqlite/"
fi

# Fixes for the cross build, each documented in its own file.
for patch in "$HERE"/patches/qtbase-*.patch; do
    [ -f "$patch" ] || continue
    stamp=$QT_SRC/.applied-$(basename "$patch")
    [ -f "$stamp" ] && continue
    log "applying $(basename "$patch")"
    patch -d "$QT_SRC" -p1 --forward < "$patch"
    touch "$stamp"
done

# Installs go below STAGE with the final path inside it (DESTDIR), so paths
# that Qt writes into its files are already right, and one rename at the end
# publishes the whole cache. A half-built cache is never at DEST.
STAGE=$WORK/stage
rm -rf "$STAGE"

# --- hidapi ----------------------------------------------------------------
# Static: it is one C file with no dependencies (0.13 loads hid.dll and
# cfgmgr32.dll at run time, no setupapi link), and linked into our bridge
# DLL there is no libhidapi-0.dll to ship or to mismatch.
log "building hidapi $HIDAPI_VERSION"
rm -rf "$WORK/build-hidapi"
"${NICE[@]}" cmake -G Ninja -S "$HIDAPI_SRC" -B "$WORK/build-hidapi" \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN_FILE" -DZORVEL_WIN64_CACHE="$CACHE_ROOT" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$DEST/hidapi" \
    -DBUILD_SHARED_LIBS=OFF -DHIDAPI_WITH_TESTS=OFF -DHIDAPI_BUILD_HIDTEST=OFF \
    >"$WORK/hidapi-configure.log" 2>&1 \
    || die "hidapi configure failed, see $WORK/hidapi-configure.log"
"${NICE[@]}" cmake --build "$WORK/build-hidapi" -j "$JOBS" >"$WORK/hidapi-build.log" 2>&1 \
    || die "hidapi build failed, see $WORK/hidapi-build.log"
DESTDIR=$STAGE cmake --install "$WORK/build-hidapi" >"$WORK/hidapi-install.log" 2>&1

# --- Qt --------------------------------------------------------------------
# Only what the program uses: Core, Gui, Widgets, Sql (SQLite), Test, and the
# windows and offscreen platform plugins. Everything else is off to keep the
# build to tens of minutes on two cores.
QT_CONFIGURE=(
    -G Ninja -S "$QT_SRC" -B "$WORK/build-qt"
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN_FILE" -DZORVEL_WIN64_CACHE="$CACHE_ROOT"
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
    -DCMAKE_INSTALL_PREFIX="$DEST/qt"
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
    # Host .pc files would smuggle Linux libraries into a Windows link.
    -DFEATURE_pkg_config=OFF
    -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_xml=OFF
    -DFEATURE_concurrent=OFF -DFEATURE_printsupport=OFF
    # INPUT_opengl=no is configure's -no-opengl: FEATURE_opengl=OFF alone
    # leaves "dynamicgl" on, and the windows plugin then fails to compile.
    -DINPUT_opengl=no -DFEATURE_opengl=OFF
    -DFEATURE_vulkan=OFF -DFEATURE_direct2d=OFF
    -DFEATURE_sql=ON -DFEATURE_sql_sqlite=ON -DFEATURE_system_sqlite=OFF
    -DFEATURE_sql_psql=OFF -DFEATURE_sql_mysql=OFF -DFEATURE_sql_odbc=OFF
    -DFEATURE_sql_ibase=OFF -DFEATURE_sql_oci=OFF -DFEATURE_sql_db2=OFF
    -DFEATURE_icu=OFF -DFEATURE_zstd=OFF -DFEATURE_jpeg=OFF
    -DFEATURE_png=ON -DFEATURE_gif=ON
    # Bundled copies only, so the DLLs depend on nothing but Windows itself
    # (MinGW's sysroot carries a zlib1.dll that would otherwise be picked).
    -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
    -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_system_pcre2=OFF -DFEATURE_system_doubleconversion=OFF
    # Debian's packaging turns this tool on for cross builds; it is Android's.
    -DFEATURE_androiddeployqt=OFF
)
CONFIGURE_HASH=$(printf '%s\n' "${QT_CONFIGURE[@]}" | cat - "$TOOLCHAIN_FILE" | sha256sum | cut -c1-16)
# Keep an interrupted build's objects when nothing in its setup changed.
if [ "$(cat "$WORK/build-qt/.configure-hash" 2>/dev/null)" != "$CONFIGURE_HASH" ]; then
    rm -rf "$WORK/build-qt"
    log "configuring Qt $QT_VERSION"
    "${NICE[@]}" cmake "${QT_CONFIGURE[@]}" >"$WORK/qt-configure.log" 2>&1 \
        || die "Qt configure failed, see $WORK/qt-configure.log"
    echo "$CONFIGURE_HASH" > "$WORK/build-qt/.configure-hash"
fi
log "building Qt $QT_VERSION (log: $WORK/qt-build.log)"
"${NICE[@]}" cmake --build "$WORK/build-qt" -j "$JOBS" >"$WORK/qt-build.log" 2>&1 \
    || die "Qt build failed, see $WORK/qt-build.log"
DESTDIR=$STAGE cmake --install "$WORK/build-qt" >"$WORK/qt-install.log" 2>&1 \
    || die "Qt install failed, see $WORK/qt-install.log"

# --- publish ---------------------------------------------------------------
STAGED=$STAGE$DEST
[ -f "$STAGED/qt/bin/Qt6Core.dll" ] || die "staged Qt has no Qt6Core.dll"
[ -f "$STAGED/hidapi/lib/libhidapi.a" ] || die "staged hidapi has no libhidapi.a"
cp "$WORK/qt-configure.log" "$STAGED/qt-configure.log"
printf '%s\n' "${QT_CONFIGURE[@]}" > "$STAGED/qt-configure-args.txt"
SECONDS_TAKEN=$(( $(date +%s) - START ))
ELAPSED=$(printf 'cold build %dm%02ds on %s cores, jobs %s' \
    $((SECONDS_TAKEN / 60)) $((SECONDS_TAKEN % 60)) "$(nproc)" "$JOBS")
echo "$ELAPSED" > "$STAGED/build-time.txt"
{
    echo "qt6-base $QT_DEB_VERSION"
    echo "hidapi $HIDAPI_DEB_VERSION"
    [ -n "${SQLITE_DEB_VERSION:-}" ] && echo "sqlite3 $SQLITE_DEB_VERSION"
    echo "built $(date -u +%Y-%m-%dT%H:%M:%SZ)"
} > "$STAGED/versions.txt"
touch "$STAGED/.complete"
mkdir -p "$CACHE_ROOT"
mv "$STAGED" "$DEST"
# The build tree (1.5 GB) is kept only when something failed, for its logs.
rm -rf "$STAGE" "$WORK"
log "$ELAPSED"
log "cache: $DEST"
echo "$DEST"
