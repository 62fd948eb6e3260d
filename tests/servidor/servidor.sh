#!/usr/bin/env bash
# A throwaway PostgreSQL server for the tests, listening on a Unix socket in
# DIR/socket and, with TLS only, on TCP 127.0.0.1 at a free port written to
# DIR/puerto. Its certificate, for 127.0.0.1 and localhost, is signed by a
# certificate authority of its own, DIR/ca.crt.
#
#   servidor.sh inicio DIR    fresh cluster in DIR, started, with its roles and databases
#   servidor.sh detener DIR   stops it (a run in progress loses its connection)
#   servidor.sh reanudar DIR  starts it again, if it is not running
#   servidor.sh fin DIR       stops it and removes DIR
#   servidor.sh puerto DIR    prints a free TCP port
#   servidor.sh claro DIR     also admits TCP in clear text (for the benchmark)
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
  if pg pg_ctl -D "$datos" status >/dev/null; then return; fi
  pg pg_ctl -D "$datos" -l "$dir/registro.log" -w -t 60 start >/dev/null
}

# A TCP port that nothing on 127.0.0.1 answers on.
puerto_libre() {
  local p
  for _ in $(seq 200); do
    p=$((20000 + RANDOM % 40000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then echo "$p"; return; fi
  done
  echo "sin puerto libre" >&2; exit 1
}

# The authority and the server's certificate; the server's key is its own.
certificados() {
  local d=$dir/tls
  mkdir -p "$d"
  openssl req -x509 -new -nodes -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -days 3 \
    -subj "/CN=Cobranzia pruebas CA" -keyout "$d/ca.key" -out "$dir/ca.crt" 2>/dev/null
  openssl req -new -nodes -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 \
    -subj "/CN=127.0.0.1" -keyout "$datos/server.key" -out "$d/server.csr" 2>/dev/null
  printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\n' >"$d/san"
  openssl x509 -req -in "$d/server.csr" -CA "$dir/ca.crt" -CAkey "$d/ca.key" -CAcreateserial \
    -days 3 -extfile "$d/san" -out "$datos/server.crt" 2>/dev/null
  chmod 0600 "$datos/server.key"
  [ "${#como[@]}" -eq 0 ] || chown postgres: "$datos/server.key" "$datos/server.crt"
  chmod 0644 "$dir/ca.crt"
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
  certificados
  local puerto
  puerto=$(puerto_libre)
  echo "$puerto" >"$dir/puerto"
  cat >>"$datos/postgresql.conf" <<CONF
listen_addresses = '127.0.0.1'
port = $puerto
ssl = on
unix_socket_directories = '$socket'
max_connections = 30
CONF
  cat >"$datos/pg_hba.conf" <<HBA
local all postgres trust
local all all scram-sha-256
hostssl all all 127.0.0.1/32 scram-sha-256
hostnossl all all 0.0.0.0/0 reject
HBA
  arrancar
  # The tests' strings name no port: the socket under the default one's name.
  ln -s ".s.PGSQL.$puerto" "$socket/.s.PGSQL.5432"

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
  puerto) puerto_libre ;;
  claro)
    sed -i 's|^hostnossl all all 0.0.0.0/0 reject$|hostnossl all all 127.0.0.1/32 scram-sha-256|' \
      "$datos/pg_hba.conf"
    pg pg_ctl -D "$datos" reload >/dev/null
    ;;
  reanudar) arrancar ;;
  fin)
    detener fast || detener immediate || true
    rm -rf "$dir"
    ;;
  *) echo "acción desconocida: $accion" >&2; exit 2 ;;
esac
