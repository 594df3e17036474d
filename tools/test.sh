#!/usr/bin/env bash
# Builds both builds and runs every test: the native unit tests and the
# Windows build under Wine. Installs what it lacks on Debian 12 (as root).
set -eu
source "$(dirname "$0")/setup.sh"
kestrelia_install "${KESTRELIA_WINDOWS_PACKAGES[@]}" "${KESTRELIA_WINDOW_PACKAGES[@]}" \
    "${KESTRELIA_TEST_PACKAGES[@]}"
kestrelia_japanese_locale
kestrelia_build_windows
kestrelia_build_fuzz
kestrelia_build_native
kestrelia_display
trap kestrelia_stop_display EXIT
cd "$KESTRELIA_BUILD/native"
ctest --output-on-failure --timeout 600
