#!/usr/bin/env bash
# Packages the Windows build (run build.sh first):
#   build-win64/zorvel-configurator-VERSION-win64.zip        portable: unpack anywhere, run
#   build-win64/zorvel-configurator-VERSION-win64-setup.exe  NSIS: Program Files, Start menu, uninstaller
# then tries the installer under Wine in a fresh prefix: a silent install, the
# program's `--demo read --json` from where it landed, a silent uninstall that
# leaves nothing behind.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
START=$(date +%s)

CACHE=$(win64_cache)
QT=$CACHE/qt
VERSION=$(project_version)
[ -n "$VERSION" ] || { echo "no VERSION in project()" >&2; exit 1; }
NAME=zorvel-configurator-$VERSION-win64
WORK=$WIN_BUILD/package
STAGE=$WORK/$NAME
ZIP=$WIN_BUILD/$NAME.zip
SETUP=$WIN_BUILD/$NAME-setup.exe
STRIP=$MINGW_TRIPLE-strip
OBJDUMP=$MINGW_TRIPLE-objdump

# --- the program's folder -------------------------------------------------
rm -rf "$WORK"
mkdir -p "$STAGE"/{platforms,sqldrivers,styles,translations}
# The USB driver as the bridge library (a package is for real adapters), the
# simulated detector beside it for --demo.
cp "$WIN_BUILD"/{zorvel-configurator.exe,SimpleIO-UM-demo.dll} "$WIN_BUILD/bridge/usb/SimpleIO-UM.dll" "$STAGE/"
# Ours, and Qt's own Russian texts (file dialogs, standard buttons), which the
# build put beside the program from Debian's catalogue.
cp "$WIN_BUILD"/translations/{zorvel_en.qm,qtbase_ru.qm} "$STAGE/translations/"
cp "$ROOT/resources/3_x.xpm" "$ROOT/resources/Untitled.png" "$STAGE/"
cp "$QT"/bin/Qt6{Core,Gui,Widgets,Sql}.dll "$STAGE/"
cp "$QT/plugins/platforms/qwindows.dll" "$STAGE/platforms/"
cp "$QT/plugins/sqldrivers/qsqlite.dll" "$STAGE/sqldrivers/"
# The native look (windowsvista), when Qt built it; no image-format plugin:
# XPM and PNG are built into Qt Gui, and no code opens the GIF.
cp "$QT"/plugins/styles/*.dll "$STAGE/styles/" 2>/dev/null || rmdir "$STAGE/styles"
for dll in "${MINGW_RUNTIME_DLLS[@]}"; do
    cp "$(mingw_runtime_dll "$dll")" "$STAGE/"
done
find "$STAGE" -iname '*.exe' -o -iname '*.dll' | xargs "$STRIP" --strip-unneeded

# Every DLL a file of the folder imports is in the folder or is Windows' own
# (Wine ships a builtin of every system DLL, and of nothing else).
WINE_SYSTEM=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
missing=0
while IFS= read -r file; do
    while IFS= read -r dll; do
        # API sets (api-ms-win-*, ext-ms-*) are names the Windows loader maps
        # onto its own DLLs; Qt 6 asks for Windows 10, which has them all.
        case ${dll,,} in api-ms-win-* | ext-ms-*) continue ;; esac
        if ! find "$STAGE" -maxdepth 1 -iname "$dll" | grep -q . \
            && ! find "$WINE_SYSTEM" -maxdepth 1 -iname "$dll" | grep -q .; then
            echo "${file#$STAGE/} needs $dll, which is not in the package" >&2
            missing=1
        fi
    done < <("$OBJDUMP" -p "$file" | sed -n 's/^\s*DLL Name: //p')
done < <(find "$STAGE" -iname '*.exe' -o -iname '*.dll')
[ $missing -eq 0 ] || exit 1

# --- the zip ----------------------------------------------------------------
rm -f "$ZIP"
(cd "$WORK" && zip -q -r -9 -X "$ZIP" "$NAME")

# --- the installer ----------------------------------------------------------
# File lines folder by folder, and the Delete lines for exactly those files.
(
    cd "$STAGE"
    : > "$WORK/files.nsh"
    : > "$WORK/unfiles.nsh"
    find . -type d | sort | while IFS= read -r dir; do
        sub=${dir#.}; sub=${sub#/}; win=${sub//\//\\}
        echo "SetOutPath \"\$INSTDIR${win:+\\$win}\"" >> "$WORK/files.nsh"
        find "$dir" -maxdepth 1 -type f | sort | while IFS= read -r file; do
            name=${file##*/}
            echo "File \"$STAGE/${file#./}\"" >> "$WORK/files.nsh"
            echo "Delete \"\$INSTDIR${win:+\\$win}\\$name\"" >> "$WORK/unfiles.nsh"
        done
    done
    # Sub-folders after their files, deepest first; each only if emptied.
    find . -mindepth 1 -type d | sort -r | while IFS= read -r dir; do
        win=${dir#./}; win=${win//\//\\}
        echo "RMDir \"\$INSTDIR\\$win\"" >> "$WORK/unfiles.nsh"
    done
    # The installer's working folder is the program's at the end.
    echo "SetOutPath \"\$INSTDIR\"" >> "$WORK/files.nsh"
)
rm -f "$SETUP"
makensis -V2 -DVERSION="$VERSION" -DSTAGE="$STAGE" -DFILES="$WORK" -DOUTFILE="$SETUP" \
    "$ROOT/packaging/windows/installer.nsi"

ls -l "$ZIP" "$SETUP"
echo "contents ($(find "$STAGE" -type f | wc -l) files, $(du -sh "$STAGE" | cut -f1) unpacked):"
(cd "$STAGE" && find . -type f -printf '  %8s  %P\n' | sort -k2)

# --- the installer under Wine -------------------------------------------------
try_installer() {
    local prefix dir out code=0
    prefix=$(mktemp -d /tmp/zorvel-wine-setup.XXXXXX)
    export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    unset WINEPATH WINEQT_PLUGIN_PATH WINEQT_QPA_PLATFORM
    "$WINE" wineboot --init >/dev/null 2>&1 || true
    dir="$prefix/drive_c/Program Files/Zorvel Configurator"
    "$WINE" "$(wine_path "$SETUP")" /S || { echo "the installer failed" >&2; code=1; }
    local want
    for want in zorvel-configurator.exe SimpleIO-UM.dll SimpleIO-UM-demo.dll Qt6Core.dll \
        platforms/qwindows.dll sqldrivers/qsqlite.dll translations/zorvel_en.qm translations/qtbase_ru.qm 3_x.xpm Untitled.png uninstall.exe; do
        [ -f "$dir/$want" ] || { echo "not installed: $want" >&2; code=1; }
    done
    local links="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Зорвель - 3"
    [ -f "$links/Зорвель - 3.lnk" ] && [ -f "$links/Зорвель - 3 (демо).lnk" ] \
        || { echo "no Start-menu entries in $links" >&2; code=1; }
    # From another working directory: the program finds what it needs beside itself.
    out=$(cd "$prefix" && "$WINE" "$dir/zorvel-configurator.exe" --demo read --json) || code=1
    printf '%s\n' "$out"
    printf '%s' "$out" | python3 -c 'import json, sys; json.load(sys.stdin)' || code=1
    "$WINE" "$(wine_path "$dir/uninstall.exe")" /S || code=1
    # The uninstaller copies itself away and returns at once; wait for the copy.
    /usr/lib/wine/wineserver -w
    if [ -e "$dir" ] || [ -e "$links" ]; then
        echo "left after uninstalling:" >&2
        find "$dir" "$links" 2>/dev/null >&2
        code=1
    fi
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    rm -rf "$prefix"
    return $code
}
if try_installer; then
    echo "installer under Wine: installs, runs --demo read --json, uninstalls to nothing"
else
    echo "installer under Wine: FAILED" >&2
    exit 1
fi
echo "package.sh: $(took "$START")"
