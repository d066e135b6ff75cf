#!/usr/bin/env bash
# Builds, then renders the README's screenshots into docs/ offscreen, with the
# program connected to the simulated detector.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing
build
mkdir -p "$ROOT/docs"
cd "$BUILD_DIR"
QT_QPA_PLATFORM=offscreen ./zorvel-screenshots "$ROOT/docs"
ls -l "$ROOT/docs"/*.png
