#!/usr/bin/env bash
# Follows the README's office steps, taken from the README itself, on one
# machine: a fresh cluster stands for Debian's, 127.0.0.1 for the office's
# network, localhost for the server's name and a folder of the test for /etc
# and the operator's home. The run ends with `isql Cobranzia` reading the rows
# and the run history over TLS, the history refused to the operators' changes,
# and a connection in clear text refused.
#
#   oficina.sh README PROGRAMA
set -euo pipefail
[ "$(id -u)" -eq 0 ] || { echo "sin root: se omite"; exit 77; }
readme=$(realpath "$1")
programa=$(realpath "$2")
bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
t=$(mktemp -d /tmp/cobranzia-oficina.XXXXXX)
chmod 0755 "$t"
trap 'runuser -u postgres -- "$bin/pg_ctl" -D "$t/datos" -m immediate stop >/dev/null 2>&1 || true
      rm -rf "$t"' EXIT

puerto=$(bash "$(dirname "$0")/servidor.sh" puerto "$t")
mkdir -p "$t/datos" "$t/etc" "$t/hogar"
chown postgres: "$t" "$t/datos"
runuser -u postgres -- "$bin/initdb" -D "$t/datos" -U postgres --auth=trust --no-sync >/dev/null
printf "port = %s\nunix_socket_directories = '%s'\n" "$puerto" "$t" >>"$t/datos/postgresql.conf"
runuser -u postgres -- "$bin/pg_ctl" -D "$t/datos" -l "$t/registro.log" -w start >/dev/null
export PGHOST=$t PGPORT=$puerto HOME=$t/hogar ODBCINI=$t/hogar/.odbc.ini
printf 'H0001\nD0001 Perez\nD0002 Gomez\n' >"$t/hogar/lote.txt"

# The shell blocks of the office's section, in order, on this machine's terms.
awk '/^## One database for the office/ { dentro = 1 } /^## / && !/office/ { dentro = 0 }
     dentro && /^```sh$/ { bloque = 1; next } /^```$/ { bloque = 0 } dentro && bloque' "$readme" |
  sed -e 's|^apt-get install .*|:|' \
      -e "s|/etc/postgresql/15/main|$t/datos|g" \
      -e "s|/root/ca-oficina|$t/ca|g" \
      -e "s|/etc/cobranzia/|$t/etc/|g" \
      -e 's|servidor\.oficina:5432:|localhost:'"$puerto"':|' \
      -e 's|host=servidor\.oficina|host=localhost port='"$puerto"'|' \
      -e 's|servidor\.oficina|localhost|g' \
      -e 's|192\.168\.1\.0/24|127.0.0.1/32|' \
      -e "s|^systemctl restart postgresql|runuser -u postgres -- $bin/pg_ctl -D $t/datos -w restart >/dev/null|" \
      -e "s|^su postgres -c 'createuser|printf 'LA-CLAVE\\\\nLA-CLAVE\\\\n' \| su postgres -c 'createuser|" \
      -e "s|^cobranzia --procesar lote.txt|\"$programa\" --servidor \"\$(sed -n 's/^Servidor=//p' $t/etc/cobranzia.conf)\" --datos $t/hogar/datos --procesar $t/hogar/lote.txt|" \
      >"$t/pasos.sh"
cd "$t/hogar"
salida=$(bash -euo pipefail "$t/pasos.sh" 2>&1) || { cat "$t/pasos.sh"; echo "$salida"; exit 1; }
echo "$salida"
grep -q '^| 2 ' <<<"$salida" || { echo "isql Cobranzia no leyó las dos filas"; exit 1; }
grep -q '| lote.txt .*| root' <<<"$salida" || { echo "isql Cobranzia no leyó el historial"; exit 1; }
# The operators' role adds to the history and reads it, and can do no more.
for sql in "UPDATE Historial SET codigo = ''" "DELETE FROM Historial"; do
  if PGPASSFILE=$HOME/.pgpass "$bin/psql" -X -At -c "$sql" \
    "host=localhost port=$puerto dbname=cobranzia user=cobranzia sslmode=verify-full sslrootcert=$t/etc/ca-oficina.crt" 2>/dev/null; then
    echo "el rol de los operadores pudo cambiar el historial: $sql"
    exit 1
  fi
done
if PGPASSFILE=$HOME/.pgpass "$bin/psql" -X -At -c 'SELECT 1' \
  "host=127.0.0.1 port=$puerto dbname=cobranzia user=cobranzia sslmode=disable" 2>/dev/null; then
  echo "el servidor admitió una conexión sin TLS"
  exit 1
fi
