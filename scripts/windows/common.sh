# Shared by the Windows scripts: where things are, and the cross toolchain.
# shellcheck shell=bash

WIN_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ROOT=$(cd "$WIN_HERE/../.." && pwd)
WIN_BUILD=${ZORVEL_WIN64_BUILD:-$ROOT/build-win64}
WIN_JOBS=${ZORVEL_WIN64_JOBS:-$(nproc)}
WINE=/usr/lib/wine/wine64
MINGW_TRIPLE=x86_64-w64-mingw32
# The MinGW runtime the program and Qt's DLLs are linked against (posix threads).
MINGW_RUNTIME_DIRS=(/usr/lib/gcc/$MINGW_TRIPLE/12-posix /usr/$MINGW_TRIPLE/lib)
MINGW_RUNTIME_DLLS=(libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)

# The cross-built Qt and hidapi: toolchain.sh builds them once and prints the
# folder; a warm call takes a second.
win64_cache() {
    "$WIN_HERE/toolchain.sh" | tail -n1
}

# The project's version, from project() in the top CMakeLists.txt.
project_version() {
    sed -n 's/^project([^)]*VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt" | head -n1
}

# A Unix path as Wine's Z: drive sees it.
wine_path() {
    printf 'Z:%s' "${1//\//\\}"
}

# The path of one MinGW runtime DLL.
mingw_runtime_dll() {
    local dir
    for dir in "${MINGW_RUNTIME_DIRS[@]}"; do
        [ -f "$dir/$1" ] && { echo "$dir/$1"; return 0; }
    done
    echo "no $1 in ${MINGW_RUNTIME_DIRS[*]}" >&2
    return 1
}

# Seconds since $1, as "1m05s".
took() {
    local s=$(( $(date +%s) - $1 ))
    printf '%dm%02ds' $((s / 60)) $((s % 60))
}

# A fresh Wine prefix in $WINEPREFIX, with the fonts every Windows has that
# the window is laid out for: Wine ships Tahoma but serves it only from the
# prefix's own Fonts folder, and would otherwise draw the forms in whatever
# fontconfig offers, with other widths.
wine_prefix() {
    "$WINE" wineboot --init >/dev/null 2>&1 || true
    cp /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
}
