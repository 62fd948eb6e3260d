#!/usr/bin/env bash
# Starts the program under a virtual X server, on a copy of the built program
# folder with a home of its own, and saves a picture of its window in
# docs/ventana.png. Usage: scripts/captura.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
construccion=${1:-build}
destino=docs/ventana.png

if [ "${1:-}" != "--dentro" ]; then
    [ -x "$construccion/programa/cobranzia" ] || { echo "Falta $construccion/programa/cobranzia" >&2; exit 1; }
    tmp=$(mktemp -d)
    trap 'rm -rf "$tmp"' EXIT
    cp -a "$construccion/programa" "$tmp/programa"
    mkdir -p -m 700 "$tmp/hogar"
    HOME="$tmp/hogar" ODBCINI="$tmp/hogar/odbc.ini" XDG_RUNTIME_DIR="$tmp/hogar" \
        xvfb-run -a -s "-screen 0 800x600x24 -dpi 96" "$0" --dentro "$tmp/programa" "$destino"
    echo "Guardada $destino"
    exit 0
fi

programa=$2
salida=$3
titulo="Generación de código de control"

# A window manager draws the caption and the frame, when one is installed.
# Openbox draws every title-bar button whatever the window asks for; its title
# layout is set to what the window asks for (icon, caption, close box).
if command -v openbox >/dev/null; then
    configuracion=$(dirname "$programa")/openbox.xml
    cat >"$configuracion" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <theme><titleLayout>NLC</titleLayout></theme>
</openbox_config>
XML
    openbox --sm-disable --config-file "$configuracion" >/dev/null 2>&1 &
    sleep 1
fi
"$programa/cobranzia" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

for _ in $(seq 50); do
    xwininfo -root -tree 2>/dev/null | grep -q "\"$titulo\"" && break
    sleep 0.2
done
sleep 1

# The outer frame of the window: its client area plus the decoration.
id=$(xwininfo -root -tree | grep -F "\"$titulo\"" | grep -v -F "$titulo\": ()" | awk '{print $1; exit}')
[ -n "$id" ] || { echo "No apareció la ventana" >&2; xwininfo -root -tree >&2; exit 1; }
import -window root /tmp/captura-raiz.$$.png
geometria=$(xwininfo -id "$id" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
    /Width:/ {w=$2} /Height:/ {h=$2} END {print w, h, x, y}')
read -r ancho alto x y <<<"$geometria"
# Room for the window manager's title bar and border around the client area.
arriba=$(( y >= 30 ? 30 : y ))
lado=$(( x >= 6 ? 6 : x ))
convert /tmp/captura-raiz.$$.png -crop "$((ancho + 2 * lado))x$((alto + arriba + lado))+$((x - lado))+$((y - arriba))" +repage "$salida"
rm -f /tmp/captura-raiz.$$.png
