#!/usr/bin/env bash
# A throwaway PostgreSQL server for the tests, listening only on a Unix socket
# in DIR/socket (no TCP port).
#
#   servidor.sh inicio DIR    fresh cluster in DIR, started, with its roles and databases
#   servidor.sh detener DIR   stops it (a run in progress loses its connection)
#   servidor.sh reanudar DIR  starts it again
#   servidor.sh fin DIR       stops it and removes DIR
#
# Roles: "cobranzia" owns database "cobranzia"; "consulta" may connect but not
# create tables. Both log in with a password (scram), kept in DIR/pgpass, so a
# wrong password can be tried. Database "sinesquema" never gets the program's
# tables. The server runs as "postgres" when started by root, since initdb
# refuses the superuser.
set -euo pipefail

accion=${1:?falta la acción}
dir=$(realpath -m "${2:?falta la carpeta}")
# The "postgres" user may not reach the caller's folder.
cd /
bin=${PG_BIN:-$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)}
datos=$dir/datos
socket=$dir/socket

if [ "$(id -u)" -eq 0 ]; then como=(runuser -u postgres --); else como=(); fi
pg() { "${como[@]}" "$bin/$1" "${@:2}"; }

detener() {
  if [ -f "$datos/postmaster.pid" ]; then
    pg pg_ctl -D "$datos" -m "${1:-fast}" -w -t 60 stop >/dev/null
  fi
}

arrancar() {
  pg pg_ctl -D "$datos" -l "$dir/registro.log" -w -t 60 start >/dev/null
}

inicio() {
  if [ -d "$dir" ]; then
    detener immediate || true
    rm -rf "$dir"
  fi
  mkdir -p "$socket"
  [ "${#como[@]}" -eq 0 ] || chown -R postgres: "$dir"
  chmod 0700 "$dir"
  pg initdb -D "$datos" -U postgres -E UTF8 --locale=C --auth=trust --no-sync >"$dir/initdb.log"
  cat >>"$datos/postgresql.conf" <<CONF
listen_addresses = ''
unix_socket_directories = '$socket'
max_connections = 30
CONF
  cat >"$datos/pg_hba.conf" <<HBA
local all postgres trust
local all all scram-sha-256
HBA
  arrancar

  local clave consulta
  clave=$(od -An -N12 -tx1 /dev/urandom | tr -d ' \n')
  consulta=$(od -An -N12 -tx1 /dev/urandom | tr -d ' \n')
  pg psql -X -q -v ON_ERROR_STOP=1 -h "$socket" -U postgres -d postgres \
    -v clave="$clave" -v consulta="$consulta" >/dev/null <<'SQL'
CREATE ROLE cobranzia LOGIN PASSWORD :'clave';
CREATE ROLE consulta LOGIN PASSWORD :'consulta';
CREATE DATABASE cobranzia OWNER cobranzia;
CREATE DATABASE sinesquema;
SQL
  # Read by the test processes, whoever they run as; libpq ignores it unless
  # only its owner may read it.
  (umask 077 && printf '*:*:*:cobranzia:%s\n*:*:*:consulta:%s\n' "$clave" "$consulta" >"$dir/pgpass")
}

case $accion in
  inicio) inicio ;;
  detener) detener fast ;;
  matar) detener immediate ;;
  reanudar) arrancar ;;
  fin)
    detener fast || detener immediate || true
    rm -rf "$dir"
    ;;
  *) echo "acción desconocida: $accion" >&2; exit 2 ;;
esac
