#!/usr/bin/env bash
# A package built with another version carries that version in every artefact:
# the program's --version, the package, its AppStream release, its changelog
# and its manual page.
#
#   prueba_version.sh FUENTES CARPETA_DE_CONSTRUCCION
set -euo pipefail

readonly VERSION=9.8.7

fallo() {
  printf 'version: FALLO: %s\n' "$*" >&2
  exit 1
}

[ $# -eq 2 ] || fallo "uso: $0 FUENTES CARPETA_DE_CONSTRUCCION"
fuentes=$(realpath "$1")
construccion=$(realpath "$2")
# Inside the build folder, so that nothing is left in the sources.
tmp="$construccion/prueba-version"
rm -rf "$tmp"
mkdir "$tmp"
trap 'rm -rf "$tmp"' EXIT

# The same compiler launcher as the build under test, when it has one.
lanzador=$(sed -n 's/^CMAKE_CXX_COMPILER_LAUNCHER:[A-Z]*=//p' "$construccion/CMakeCache.txt")
opciones=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCOBRANZIA_VERSION=$VERSION"
  -DCOBRANZIA_TESTS=OFF -DCOBRANZIA_BENCH=OFF)
[ -z "$lanzador" ] ||
  opciones+=(-DCMAKE_CXX_COMPILER_LAUNCHER="$lanzador" -DCMAKE_C_COMPILER_LAUNCHER="$lanzador")
paso() {
  "$@" >"$tmp/paso.log" 2>&1 || { cat "$tmp/paso.log" >&2; fallo "falló: $*"; }
}
paso cmake -S "$fuentes" -B "$tmp/b" "${opciones[@]}"
paso cmake --build "$tmp/b" --parallel 2
paso cpack -G DEB --config "$tmp/b/CPackConfig.cmake" -B "$tmp/cpack"
deb=$(echo "$tmp"/cpack/cobranzia_*.deb)
dpkg-deb -x "$deb" "$tmp/arbol"

comprobar() {
  local que=$1 visto=$2 esperado=$3
  [ "$visto" = "$esperado" ] || fallo "$que: «$visto», se esperaba «$esperado»"
}
comprobar "cobranzia --version" \
  "$(HOME="$tmp" QT_QPA_PLATFORM=offscreen "$tmp/arbol/usr/lib/cobranzia/cobranzia" --version)" \
  "cobranzia $VERSION"
comprobar "versión del paquete" "$(dpkg-deb -f "$deb" Version)" "$VERSION"
comprobar "versión de AppStream" \
  "$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' \
    "$tmp/arbol/usr/share/metainfo/com.cobranzia.Cobranzia.metainfo.xml")" "$VERSION"
comprobar "registro de cambios" \
  "$(zcat "$tmp/arbol/usr/share/doc/cobranzia/changelog.gz" | head -n 1)" \
  "cobranzia ($VERSION) stable; urgency=medium"
comprobar "página de manual" \
  "$(zcat "$tmp/arbol/usr/share/man/man1/cobranzia.1.gz" | sed -n 's/^\.TH COBRANZIA 1 "[^"]*" "\([^"]*\)".*/\1/p')" \
  "Cobranzia $VERSION"
printf 'version: el paquete %s lleva su versión en todo\n' "$VERSION"
