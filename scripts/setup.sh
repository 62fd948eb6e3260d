#!/usr/bin/env bash
# Installs what Cobranzia needs to build, run and test on Debian 12.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

paquetes=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-odbc
  libgl-dev
  unixodbc unixodbc-dev odbcinst libsqliteodbc
  libsqlite3-dev sqlite3
  libmd-dev libssl-dev
  postgresql libpq-dev odbc-postgresql openssl
  fonts-wine fonts-dejavu-core
  xvfb xauth x11-utils imagemagick poppler-utils openbox
  desktop-file-utils shared-mime-info xdg-utils libglib2.0-bin
  qt6-svg-dev qt6-translations-l10n qt6ct
  dpkg-dev fakeroot lintian appstream groff man-db bash-completion
  clang clang-tidy cppcheck libclang-rt-14-dev python3
)

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi

faltan=()
for p in "${paquetes[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || faltan+=("$p")
done

if [ "${#faltan[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${faltan[@]}"
fi
