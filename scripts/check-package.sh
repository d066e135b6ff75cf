#!/usr/bin/env bash
# Checks the package that scripts/package.sh made, installing nothing from it:
# its files, its fields and Depends, the desktop entries, the metainfo and the
# manual page, lintian, and an unpacked copy's launcher (the demo library for
# --demo, the USB bridge without it, English for a locale that is not
# Russian, relative paths in the user's working directory). Exits 1 when any check fails.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing "${PACKAGING_PACKAGES[@]}"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$ROOT/build/package/CMakeCache.txt")
deb=${1:-$ROOT/build/zorvel-configurator_${version}_$(dpkg --print-architecture).deb}
failed=0
fail() {
    echo "FAILED: $*" >&2
    failed=$((failed + 1))
}
echo "Checking $deb"

# Files and links, not folders.
expected_files="./usr/bin/zorvel-configurator
./usr/lib/udev/rules.d/60-zorvel-mcp2200.rules
./usr/lib/zorvel-configurator/libSimpleIO-UM-demo.so
./usr/lib/zorvel-configurator/libSimpleIO-UM.so
./usr/lib/zorvel-configurator/zorvel-configurator
./usr/share/applications/zorvel-configurator-demo.desktop
./usr/share/applications/zorvel-configurator.desktop
./usr/share/doc/zorvel-configurator/changelog.gz
./usr/share/doc/zorvel-configurator/copyright
./usr/share/icons/hicolor/128x128/apps/zorvel-configurator.png
./usr/share/icons/hicolor/256x256/apps/zorvel-configurator.png
./usr/share/icons/hicolor/32x32/apps/zorvel-configurator.png
./usr/share/icons/hicolor/64x64/apps/zorvel-configurator.png
./usr/share/man/man1/zorvel-configurator.1.gz
./usr/share/metainfo/example.zorvel_npp.configurator.metainfo.xml
./usr/share/zorvel-configurator/3_x.xpm
./usr/share/zorvel-configurator/Untitled.png
./usr/share/zorvel-configurator/translations/zorvel_en.qm"
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | LC_ALL=C sort)
diff -u <(echo "$expected_files" | LC_ALL=C sort) <(echo "$files") || fail "file list (- expected, + in the package)"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Version)" = "$version" ] || fail "Version $(field Version), the project's is $version"
[ "$(field Section)" = electronics ] || fail "Section $(field Section)"
# Loaded at run time (Qt SQL's driver, Wine's Tahoma, Qt's catalogue), and
# computed from the program's and the USB bridge's libraries.
depends=$(field Depends)
echo "Depends: $depends"
for package in libqt6sql6-sqlite fonts-wine qt6-translations-l10n libqt6widgets6 libhidapi-libusb0; do
    grep -Eq "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends lacks $package"
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dpkg-deb -x "$deb" "$tmp/root"
desktop-file-validate "$tmp"/root/usr/share/applications/*.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net "$tmp"/root/usr/share/metainfo/*.xml || fail "appstreamcli validate"

lintian_output=$(lintian --tag-display-limit 0 "$deb" 2>&1) || true
echo "lintian:"
echo "${lintian_output:-  (nothing)}"
if grep -q '^E: ' <<<"$lintian_output"; then fail "lintian reports errors"; fi

# The unpacked launcher, with a home of its own and the locale given.
launch() {
    local locale=$1
    shift
    # A minute at most: a launcher that lost its arguments would open the window.
    timeout 60 env -u LC_ALL -u LC_MESSAGES LANG="$locale" HOME="$tmp/home" XDG_DATA_HOME="$tmp/data" \
        "$tmp/root/usr/bin/zorvel-configurator" "$@"
}
answer=$(launch en_US.UTF-8 --demo handshake) || fail "--demo handshake (English locale) exited $?"
grep -q "The detector answered" <<<"$answer" || fail "--demo handshake with LANG=en_US.UTF-8 printed '$answer'"
answer=$(launch ru_RU.UTF-8 --demo handshake) || fail "--demo handshake exited $?"
grep -q "Датчик ответил" <<<"$answer" || fail "--demo handshake printed '$answer'"
# Relative paths are the user's: the launcher stays in the working directory.
mkdir -p "$tmp/site"
(cd "$tmp/site" && launch ru_RU.UTF-8 --demo read --json --quiet >site.json \
    && launch ru_RU.UTF-8 --demo write site.json --quiet --trace write.vcd) \
    || fail "read --json > site.json, then write site.json, in the user's folder exited $?"
[ -f "$tmp/site/write.vcd" ] || fail "--trace write.vcd did not land in the working directory"
launch ru_RU.UTF-8 --demo read --json | grep -q '"format": "zorvel-3-profile"' || fail "--demo read --json printed no profile"
status=0
launch ru_RU.UTF-8 handshake 2>"$tmp/usb.err" >/dev/null || status=$?
# 2 and the adapter's USB id: the USB bridge was loaded and found no adapter.
[ "$status" = 2 ] && grep -q "04d8:00df" "$tmp/usb.err" \
    || fail "handshake through the USB bridge with no adapter exited $status, not 2: $(cat "$tmp/usb.err")"

# The manual page names every option that --help shows.
manual=$(zcat "$tmp/root/usr/share/man/man1/zorvel-configurator.1.gz" | sed 's/\\-/-/g')
for option in $(launch ru_RU.UTF-8 --help | grep -Eo -- '--[a-z]+' | sort -u); do
    grep -q -- "$option" <<<"$manual" || fail "the manual page lacks $option"
done

if [ "$failed" -gt 0 ]; then
    echo "Package check: $failed check(s) failed" >&2
    exit 1
fi
echo "Package check: every check passed"
