#!/usr/bin/env bash
# Installs, builds and runs every test: a normal build and a sanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

construir_y_probar() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DCOBRANZIA_WERROR=ON "$@"
  cmake --build "$dir" --parallel "$(nproc)"
  ctest --test-dir "$dir" --output-on-failure --parallel "$(nproc)"
}

construir_y_probar build -DCMAKE_BUILD_TYPE=RelWithDebInfo
construir_y_probar build-san -DCMAKE_BUILD_TYPE=Debug -DCOBRANZIA_SANITIZE=ON -DCOBRANZIA_BENCH=OFF
