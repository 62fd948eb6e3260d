#!/usr/bin/env bash
# The Debian package from end to end: builds it from a build folder (or takes a
# .deb), installs it with apt as an administrator would, uses it as two ordinary
# users made for the occasion, upgrades it over their data and removes it,
# leaving the machine as it found it.
#
#   prueba_paquete.sh CARPETA_DE_CONSTRUCCION [PAQUETE.deb]
#
# Needs root, or sudo without a password; otherwise it exits 77 (skipped).
set -euo pipefail

readonly SALTAR=77
readonly PAQUETE=cobranzia
readonly ESPERA_VENTANA=3

aviso() { printf 'paquete: %s\n' "$*"; }
fallo() {
  printf 'paquete: FALLO: %s\n' "$*" >&2
  exit 1
}

if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
    exec sudo -n "$0" "$@"
  fi
  aviso "hace falta root o sudo sin contraseña; se omite"
  exit "$SALTAR"
fi

[ $# -ge 1 ] || fallo "uso: $0 CARPETA_DE_CONSTRUCCION [PAQUETE.deb]"
construccion=$(realpath "$1")
deb=${2:+$(realpath "$2")}

# Never replace or remove an install that was here before.
if dpkg-query -W -f='${Status}' "$PAQUETE" 2>/dev/null | grep -q ' installed$'; then
  fallo "el paquete $PAQUETE ya estaba instalado; no se prueba encima de él"
fi

paquetes_instalados() {
  dpkg-query -W -f='${db:Status-Status} ${Package}:${Architecture}\n' |
    awk '$1 == "installed" { print $2 }' | sort
}

# Another package manager at work (an unattended upgrade, another test) holds
# the dpkg lock for a while: apt waits for it instead of failing.
apt_get() {
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 "$@"
}

tmp=$(mktemp -d)
# apt reads local packages as its own unprivileged user.
chmod 755 "$tmp"
usuarios=()
ventanas=()  # the windows' own process ids
sesiones=()  # the runuser processes that started them
instalados=$tmp/instalados  # what our apt-get runs added, to take away again
: >"$instalados"

limpiar() {
  local estado=$?
  set +e
  local pid usuario
  for pid in "${ventanas[@]}"; do
    sigue_abierta "$pid" && kill "$pid"
  done
  for pid in "${sesiones[@]}"; do
    wait "$pid" 2>/dev/null
  done
  for usuario in "${usuarios[@]}"; do
    # The windows' private folders (/tmp/cobranzia-UID, with Qt's runtime
    # files) live in /tmp when the session gives no runtime folder.
    find /tmp -mindepth 1 -maxdepth 1 -user "$usuario" -exec rm -rf {} +
    userdel --remove "$usuario" 2>/dev/null
  done
  # The package, and the dependencies that its install brought in.
  local quitar
  quitar=$(sort -u "$instalados" | comm -12 - <(paquetes_instalados))
  if [ -n "$quitar" ]; then
    # shellcheck disable=SC2086
    apt_get purge -y -qq $quitar >/dev/null
  fi
  rm -rf "$tmp"
  exit "$estado"
}
trap limpiar EXIT
trap 'exit 130' INT TERM

sigue_abierta() { [ "$(cat "/proc/$1/comm" 2>/dev/null)" = cobranzia ]; }

# apt holds the dpkg lock for the whole run, so what appeared between the two
# lists came from this install alone.
instalar() {
  local antes=$tmp/antes
  paquetes_instalados >"$antes"
  apt_get install -y -q "$1" >"$tmp/apt.log" 2>&1 ||
    { cat "$tmp/apt.log" >&2; fallo "apt-get no pudo instalar $1"; }
  comm -13 "$antes" <(paquetes_instalados) >>"$instalados"
}

# --- The package, and a later version of it -----------------------------------

if [ -z "$deb" ]; then
  aviso "construyendo el paquete desde $construccion"
  cpack -G DEB --config "$construccion/CPackConfig.cmake" -B "$tmp/cpack" >"$tmp/cpack.log" 2>&1 ||
    { cat "$tmp/cpack.log" >&2; fallo "cpack falló"; }
  deb=$(echo "$tmp"/cpack/${PAQUETE}_*.deb)
fi
[ -f "$deb" ] || fallo "no hay paquete: $deb"
# Pedantic notes may stay; a warning, an error or a build without Debian's
# hardening flags (an info tag) may not.
{ lintian --pedantic --display-info --fail-on error,warning "$deb" >"$tmp/lintian.log" 2>&1 &&
  ! grep -q ': hardening-' "$tmp/lintian.log"; } ||
  { cat "$tmp/lintian.log" >&2; fallo "lintian encuentra avisos, errores o falta de endurecimiento"; }
version=$(dpkg-deb -f "$deb" Version)
arquitectura=$(dpkg-deb -f "$deb" Architecture)

# The same files under a higher version: what an upgrade brings.
version_nueva="$version+1"
mkdir "$tmp/nuevo"
dpkg-deb -R "$deb" "$tmp/nuevo/arbol"
sed -i "s/^Version: .*/Version: $version_nueva/" "$tmp/nuevo/arbol/DEBIAN/control"
deb_nuevo="$tmp/nuevo/${PAQUETE}_${version_nueva}_${arquitectura}.deb"
dpkg-deb --root-owner-group -b "$tmp/nuevo/arbol" "$deb_nuevo" >/dev/null
dpkg --compare-versions "$version_nueva" gt "$version" || fallo "$version_nueva no es mayor que $version"

aviso "instalando $(basename "$deb")"
instalar "$deb"
[ "$(readlink -f /usr/bin/cobranzia)" = /usr/lib/cobranzia/cobranzia ] ||
  fallo "/usr/bin/cobranzia no lleva a /usr/lib/cobranzia/cobranzia"
if dpkg -L "$PAQUETE" | grep -E '\.(mdb|dat)$'; then
  fallo "el paquete trae datos de usuario"
fi
if ! LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings cobranzia 2>"$tmp/man.log" | grep -q -- --verificar ||
  [ -s "$tmp/man.log" ]; then
  cat "$tmp/man.log" >&2
  fallo "man cobranzia no muestra su página sin avisos"
fi
# bash finds the completion by the command's name, as it does at a prompt.
# shellcheck disable=SC2016 # expanded by the inner bash
bash -c 'source /usr/share/bash-completion/bash_completion
         _completion_loader cobranzia
         COMP_WORDS=(cobranzia --ver); COMP_CWORD=1; COMP_LINE="cobranzia --ver"; COMP_POINT=15
         _cobranzia cobranzia --ver cobranzia
         [ "${COMPREPLY[*]}" = "--verificar --version" ]' ||
  fallo "el completado de bash no ofrece las opciones"

# --- Among the desktop's applications -------------------------------------------

# The default for a type as xdg-open finds it on a desktop that sets none of its
# own; any further VAR=value before the type is added to a clean environment.
por_defecto() {
  local tipo=${*: -1}
  env -i PATH=/usr/bin:/bin HOME="$tmp/vacio" XDG_DATA_HOME="$tmp/vacio" "${@:1:$#-1}" \
    xdg-mime query default "$tipo"
}
mkdir "$tmp/vacio"
[[ $(por_defecto text/plain) != *cobranzia* ]] ||
  fallo "instalar el paquete hizo de Cobranzia la aplicación por omisión de los archivos de texto"
# A system with no other text editor: the shared types and this package's files alone.
solo=$tmp/solo
mkdir -p "$solo/applications" "$solo/mime/packages"
cp /usr/share/applications/com.cobranzia.Cobranzia.desktop "$solo/applications/"
cp /usr/share/mime/packages/freedesktop.org.xml /usr/share/mime/packages/cobranzia.xml \
  "$solo/mime/packages/"
update-desktop-database "$solo/applications"
XDG_DATA_DIRS="$solo" update-mime-database "$solo/mime" 2>&1 | { ! grep .; } || fallo "update-mime-database rechaza cobranzia.xml"
defecto=$(por_defecto XDG_DATA_DIRS="$solo" text/plain)
[ -z "$defecto" ] || fallo "sin otro editor, los archivos de texto se abren con «$defecto»"
# Offered for a debit file, which the desktop knows by its header line.
printf 'H20261201COBRANZIA SA\nT000000000000000000\n' >"$tmp/LOTE77"
tipo=$(XDG_DATA_DIRS="$solo" gio info -a standard::content-type "$tmp/LOTE77" | sed -n 's/.*content-type: //p')
[ "$tipo" = text/x-cobranzia-debitos ] || fallo "un archivo de débitos se reconoce como «$tipo»"
grep -q '^text/x-cobranzia-debitos=\(.*;\)\?com\.cobranzia\.Cobranzia\.desktop;' \
  /usr/share/applications/mimeinfo.cache || fallo "Cobranzia no se ofrece para los archivos de débitos"
defecto=$(por_defecto text/x-cobranzia-debitos)
[ "$defecto" = com.cobranzia.Cobranzia.desktop ] ||
  fallo "los archivos de débitos se abren con «$defecto»"
aviso "Cobranzia abre los archivos de débitos y ningún otro archivo de texto por omisión"

# --- Two users -----------------------------------------------------------------

nuevo_usuario() {
  local nombre
  nombre="cbzp$$$1"
  ! getent passwd "$nombre" >/dev/null || fallo "el usuario $nombre ya existe"
  useradd --create-home --user-group --shell /bin/bash "$nombre"
  usuarios+=("$nombre")
}
nuevo_usuario a
nuevo_usuario b

hogar() { getent passwd "$1" | cut -d: -f6; }

# Runs a command as USUARIO with nothing of this environment but what a login
# would give; any further VAR=value before the command is added.
como() {
  local usuario=$1
  shift
  runuser -u "$usuario" -- env -i HOME="$(hogar "$usuario")" USER="$usuario" LOGNAME="$usuario" \
    SHELL=/bin/bash PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 "$@"
}

# The control code, worked out here on its own: each line without its line
# end and its outer spaces, followed by the code so far, through MD5, in upper
# case; over the lines' own bytes.
codigo_esperado() {
  local LC_ALL=C linea codigo=""
  while IFS= read -r linea || [ -n "$linea" ]; do
    linea=${linea%$'\r'}
    linea=${linea#"${linea%%[! ]*}"}
    linea=${linea%"${linea##*[! ]}"}
    codigo=$(printf '%s%s' "$linea" "$codigo" | md5sum | cut -c1-32 | tr a-f A-F)
  done <"$1"
  printf '%s\n' "$codigo"
}

filas() {
  local usuario=$1 archivo=$2
  como "$usuario" sqlite3 -readonly "$(hogar "$usuario")/.local/share/cobranzia/Cobranzia.mdb" \
    "SELECT t_datos FROM Datos WHERE t_archivo = '$archivo' ORDER BY rowid;"
}

# A debit file of the same name for each user, with other records; the first
# with DOS line ends, as the bank sends them.
escribir_lote() {
  local usuario=$1 fin=$2
  shift 2
  printf "%s$fin" "$@" | como "$usuario" tee "$(hogar "$usuario")/lote.txt" >/dev/null
}
escribir_lote "${usuarios[0]}" '\r\n' \
  "H20261201COBRANZIA SA            LOTE77    000003" \
  "D00000126018159083016613186000000085390GARCIA LOPEZ MARIA" \
  "D00000291390996030824628194000000217254MARTINEZ SANZ ANA" \
  "D00000375461228851009331247000000003120PEREZ GIL JUAN" \
  "T000003000000305764"
escribir_lote "${usuarios[1]}" '\n' \
  "H20261201COBRANZIA SA            LOTE77    000002" \
  "D00000488120934417208845310000000120000RUIZ DIAZ ELENA" \
  "D00000599034412875530126778000000045610NAVARRO CANO LUIS" \
  "T000002000000165610"

procesar() {
  local usuario=$1 casa esperado codigo
  casa=$(hogar "$usuario")
  esperado=$(codigo_esperado "$casa/lote.txt")
  codigo=$(como "$usuario" cobranzia --procesar "$casa/lote.txt" --listado "$casa/lote.pdf") ||
    fallo "cobranzia --procesar falló para $usuario"
  [ "$codigo" = "$esperado" ] || fallo "$usuario: código «$codigo», se esperaba «$esperado»"
  [ "$(head -c 5 "$casa/lote.pdf")" = "%PDF-" ] || fallo "$usuario: lote.pdf no es un PDF"
  diff <(tr -d '\r' <"$casa/lote.txt" | grep -v '^[TH]') <(filas "$usuario" lote.txt) >&2 ||
    fallo "$usuario: las filas guardadas no son las líneas de detalle del archivo"
  # A check never writes: the other user's rows and these stay as they are.
  como "$usuario" cobranzia --verificar "${esperado,,}" "$casa/lote.txt" >/dev/null ||
    fallo "$usuario: --verificar no aceptó el código en minúsculas"
  local estado=0
  como "$usuario" cobranzia --verificar 00000000000000000000000000000000 "$casa/lote.txt" >/dev/null ||
    estado=$?
  [ "$estado" -eq 1 ] || fallo "$usuario: --verificar con otro código terminó con $estado, no 1"
  aviso "$usuario: --procesar guardó sus filas e imprimió $codigo"
}

procesar "${usuarios[0]}"
filas_a=$(filas "${usuarios[0]}" lote.txt)
procesar "${usuarios[1]}"
[ "$(filas "${usuarios[0]}" lote.txt)" = "$filas_a" ] ||
  fallo "el --procesar de ${usuarios[1]} cambió las filas de ${usuarios[0]}"

# --- The window ------------------------------------------------------------------

# Starts the window as USUARIO on ARCHIVO; leaves its process id in $pid_ventana.
abrir_ventana() {
  local usuario=$1 archivo=$2 registro
  registro="$tmp/ventana-$usuario.pid"
  : >"$registro"
  chown "$usuario" "$registro"
  # shellcheck disable=SC2016 # the inner shell expands them
  runuser -u "$usuario" -- sh -c 'echo $$ >"$0"; exec "$@"' "$registro" \
    env -i HOME="$(hogar "$usuario")" USER="$usuario" LOGNAME="$usuario" PATH=/usr/bin:/bin \
    LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen cobranzia "$archivo" \
    >"$tmp/ventana-$usuario.log" 2>&1 </dev/null &
  sesiones+=($!)
  local i
  for ((i = 0; i < 50; i++)); do
    [ -s "$registro" ] && break
    sleep 0.1
  done
  pid_ventana=$(cat "$registro")
  ventanas+=("$pid_ventana")
}

comprobar_carpeta() {
  local usuario=$1 carpeta base
  carpeta="$(hogar "$usuario")/.local/share/cobranzia"
  base="$carpeta/Cobranzia.mdb"
  [ "$(stat -c '%a %U' "$carpeta" 2>/dev/null)" = "700 $usuario" ] ||
    fallo "$usuario: $carpeta no es suya con modo 700 ($(stat -c '%a %U' "$carpeta" 2>&1))"
  [ "$(stat -c '%a %U' "$base" 2>/dev/null)" = "600 $usuario" ] ||
    fallo "$usuario: $base no es suya con modo 600 ($(stat -c '%a %U' "$base" 2>&1))"
  # [Cobranzia] in ~/.odbc.ini points at that database, and reads it.
  awk -v base="$base" '
    /^\[/ { en = ($0 == "[Cobranzia]") }
    en && $0 ~ /^(DBQ|Database)[ \t]*=/ { sub(/^[^=]*=[ \t]*/, ""); if ($0 == base) bien = 1 }
    END { exit !bien }' "$(hogar "$usuario")/.odbc.ini" 2>/dev/null ||
    fallo "$usuario: ~/.odbc.ini no tiene [Cobranzia] apuntando a $base"
  local cuenta
  cuenta=$(echo "SELECT count(*) FROM Datos WHERE t_archivo = 'lote.txt'" |
    como "$usuario" isql -b -d, Cobranzia | tr -d '[:space:]') || fallo "$usuario: isql Cobranzia falló"
  [ "$cuenta" = "$(filas "$usuario" lote.txt | wc -l)" ] ||
    fallo "$usuario: isql Cobranzia cuenta «$cuenta» filas"
}

# Both users' windows at once: each has its own, on the file given.
abrir_ventana "${usuarios[0]}" "$(hogar "${usuarios[0]}")/lote.txt"
ventana_a=$pid_ventana
abrir_ventana "${usuarios[1]}" "$(hogar "${usuarios[1]}")/lote.txt"
ventana_b=$pid_ventana
sleep "$ESPERA_VENTANA"
for usuario in "${usuarios[@]}"; do
  pid=$ventana_a
  [ "$usuario" = "${usuarios[1]}" ] && pid=$ventana_b
  sigue_abierta "$pid" || { cat "$tmp/ventana-$usuario.log" >&2; fallo "$usuario: la ventana se cerró sola"; }
  comprobar_carpeta "$usuario"
  aviso "$usuario: la ventana sigue abierta; su carpeta de datos y su origen ODBC están bien"
done

# A second start for the same user hands its file to the open window and ends.
segundo_estado=0
timeout 20 runuser -u "${usuarios[0]}" -- env -i HOME="$(hogar "${usuarios[0]}")" \
  PATH=/usr/bin:/bin LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen \
  cobranzia "$(hogar "${usuarios[0]}")/lote.txt" >/dev/null 2>&1 </dev/null || segundo_estado=$?
[ "$segundo_estado" -eq 0 ] || fallo "el segundo arranque de ${usuarios[0]} terminó con $segundo_estado"
sigue_abierta "$ventana_a" || fallo "el segundo arranque cerró la ventana de ${usuarios[0]}"
kill "$ventana_a" "$ventana_b"
for pid in "${sesiones[@]}"; do
  wait "$pid" || true
done
aviso "un segundo arranque pasó su archivo a la ventana abierta y terminó"

# --- Upgrade -----------------------------------------------------------------

for usuario in "${usuarios[@]}"; do
  casa=$(hogar "$usuario")
  printf '[General]\nUltRuta=%s/debitos\n' "$casa" |
    como "$usuario" tee "$casa/.local/share/cobranzia/Cobranzia.dat" >/dev/null
  filas "$usuario" lote.txt >"$tmp/filas-$usuario"
  sha256sum "$casa/.local/share/cobranzia/Cobranzia.dat" >"$tmp/ajustes-$usuario"
done

aviso "actualizando a $version_nueva"
instalar "$deb_nuevo"
[ "$(dpkg-query -W -f='${Version}' "$PAQUETE")" = "$version_nueva" ] || fallo "la actualización no quedó instalada"
for usuario in "${usuarios[@]}"; do
  filas "$usuario" lote.txt | diff "$tmp/filas-$usuario" - >&2 ||
    fallo "$usuario: la actualización cambió sus filas"
  sha256sum --status -c "$tmp/ajustes-$usuario" || fallo "$usuario: la actualización cambió Cobranzia.dat"
  como "$usuario" cobranzia --verificar "$(codigo_esperado "$(hogar "$usuario")/lote.txt")" \
    "$(hogar "$usuario")/lote.txt" >/dev/null || fallo "$usuario: --verificar falló tras la actualización"
done
aviso "las filas y los ajustes de cada usuario siguen tras la actualización"

# --- Removal -----------------------------------------------------------------

apt_get purge -y -q "$PAQUETE" >"$tmp/apt.log" 2>&1 ||
  { cat "$tmp/apt.log" >&2; fallo "apt-get purge falló"; }
if [ -e /usr/lib/cobranzia ] || [ -L /usr/bin/cobranzia ]; then
  fallo "quedaron archivos del paquete"
fi
for usuario in "${usuarios[@]}"; do
  [ -f "$(hogar "$usuario")/.local/share/cobranzia/Cobranzia.mdb" ] ||
    fallo "$usuario: quitar el paquete borró su base de datos"
done
aviso "quitado; los datos de los usuarios quedan en sus carpetas"
aviso "todo bien"
