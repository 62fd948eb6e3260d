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
# The build under test, set to another version: main.cpp alone holds it, so this
# rebuilds little. ctest runs this test alone (RUN_SERIAL), and the build's
# own version is put back, and built, on the way out.
antes=$(sed -n 's/^COBRANZIA_VERSION:[A-Z]*=//p' "$construccion/CMakeCache.txt")
[ -n "$antes" ] || fallo "no se encontró la versión de $construccion"
tmp=$(mktemp -d)
paso() {
  "$@" >"$tmp/paso.log" 2>&1 || { cat "$tmp/paso.log" >&2; fallo "falló: $*"; }
}
construir_version() {
  paso cmake -S "$fuentes" -B "$construccion" "-DCOBRANZIA_VERSION=$1"
  paso cmake --build "$construccion"
}
trap 'estado=$?; construir_version "$antes"; rm -rf "$tmp"; exit $estado' EXIT
construir_version "$VERSION"
paso cpack -G DEB --config "$construccion/CPackConfig.cmake" -B "$tmp/cpack"
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
