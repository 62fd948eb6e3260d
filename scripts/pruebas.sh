#!/usr/bin/env bash
# Installs, builds and runs every test: a normal build, a sanitizer build, the
# static analysers, the fuzzers and a ThreadSanitizer build of the tests that
# run threads. Each stage says how long it took.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

etapa() {
  local nombre=$1 inicio=$SECONDS; shift
  "$@"
  echo "== etapa «$nombre»: $((SECONDS - inicio)) s" >&2
}

construir_y_probar() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DCOBRANZIA_WERROR=ON "$@"
  cmake --build "$dir" --parallel "$(nproc)"
  ctest --test-dir "$dir" --output-on-failure --parallel "$(nproc)"
}

# The program's own sources as the normal build compiles them (no tests, no
# benchmarks, no generated code), in a compilation database of their own.
base_programa() {
  mkdir -p build/analisis
  python3 - "$PWD" <<'EOF'
import json, re, sys
patron = re.escape(sys.argv[1]) + r"/(app|dsn|hash|platform|run|util)/.*\.cpp$"
todas = json.load(open("build/compile_commands.json"))
json.dump([e for e in todas if re.match(patron, e["file"])], open("build/analisis/compile_commands.json", "w"))
EOF
}

# clang-tidy with the checks of .clang-tidy, and cppcheck; both fail on any finding.
analisis() {
  base_programa
  run-clang-tidy -p build/analisis -j "$(nproc)" -quiet -extra-arg=-Wno-unknown-warning-option \
    > build/analisis/clang-tidy.txt 2>&1 || { cat build/analisis/clang-tidy.txt; return 1; }
  cppcheck --project=build/analisis/compile_commands.json --library=qt --std=c++20 \
    --enable=warning,performance,portability --inline-suppr --error-exitcode=1 --quiet \
    -j "$(nproc)" --cppcheck-build-dir=build/analisis
}

# Each parser's fuzzer over its seeds in tests/fuzz/semillas, for a bounded
# time; a finding leaves its input in build-fuzz/hallazgos and fails.
fuzz() {
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCOBRANZIA_FUZZ=ON \
    -DCOBRANZIA_TESTS=OFF -DCOBRANZIA_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build-fuzz --target fuzz --parallel "$(nproc)"
  mkdir -p build-fuzz/hallazgos
  local objetivo nombre
  for objetivo in build-fuzz/tests/fuzz/fuzz_*; do
    [ -f "$objetivo" ] && [ -x "$objetivo" ] || continue
    nombre=${objetivo##*/fuzz_}
    rm -rf "build-fuzz/tmp/$nombre"
    mkdir -p "build-fuzz/corpus/$nombre" "build-fuzz/tmp/$nombre"
    TMPDIR="$PWD/build-fuzz/tmp/$nombre" "$objetivo" \
      -max_total_time="${COBRANZIA_FUZZ_SEGUNDOS:-20}" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="build-fuzz/hallazgos/$nombre-" \
      "build-fuzz/corpus/$nombre" "tests/fuzz/semillas/$nombre"
  done
}

# The tests that run threads (the run's chain, the server's cancel, the
# window's run), under ThreadSanitizer. Qt itself is not built for it, so what
# Qt's own threads do among themselves is left to Qt.
hilos() {
  CC=clang CXX=clang++ cmake -S . -B build-tsan -G Ninja -DCOBRANZIA_TSAN=ON \
    -DCOBRANZIA_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build-tsan --parallel "$(nproc)" --target tst_corrida tst_servidor tst_ventana
  TSAN_OPTIONS="halt_on_error=1 ignore_noninstrumented_modules=1 suppressions=$PWD/tests/tsan.supp" \
    ctest --test-dir build-tsan --output-on-failure -R '_hilos$'
}

etapa normal construir_y_probar build -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
etapa sanitizadores construir_y_probar build-san -DCMAKE_BUILD_TYPE=Debug \
  -DCOBRANZIA_SANITIZE=ON -DCOBRANZIA_BENCH=OFF
# COBRANZIA_ETAPAS names the stages to run after those two; all by default.
for extra in ${COBRANZIA_ETAPAS-analisis fuzz hilos}; do
  case $extra in
    analisis | fuzz | hilos) etapa "$extra" "$extra" ;;
    *) echo "etapa desconocida: $extra" >&2; exit 2 ;;
  esac
done
