#!/usr/bin/env bash
# Renders the application icon's PNG sizes into resources/iconos/hicolor/ from
# the SVG drawings; run this after changing one of them and commit the results.
set -euo pipefail
aqui=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
g++ -std=c++20 -O1 -fPIC "$aqui/iconos.cpp" -o "$tmp/iconos" $(pkg-config --cflags --libs Qt6Gui Qt6Svg)
QT_QPA_PLATFORM=offscreen "$tmp/iconos" "$aqui/.."
