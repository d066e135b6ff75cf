#!/usr/bin/env bash
# Builds, then renders the README's screenshots into docs/ offscreen, with the
# program connected to the simulated detector.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing
build
mkdir -p "$ROOT/docs"
cd "$BUILD_DIR"
# A journal of its own, so the pictures show what this run did and the user's stays untouched.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
XDG_DATA_HOME=$home XDG_CONFIG_HOME=$home QT_QPA_PLATFORM=offscreen ./zorvel-screenshots "$ROOT/docs"
ls -l "$ROOT/docs"/*.png
