#!/usr/bin/env bash
# Renders the window's artwork into resources/. The pictures are our own,
# painted by dibujar.cpp; run this after changing it and commit the results.
set -euo pipefail
aqui=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
g++ -std=c++20 -O1 -fPIC "$aqui/dibujar.cpp" -o "$tmp/dibujar" $(pkg-config --cflags --libs Qt6Gui)
QT_QPA_PLATFORM=offscreen "$tmp/dibujar" "$aqui/.."
