#!/usr/bin/env bash
# Installs the Debian packages needed to build, test and demo the project.
# Installs only what is missing, so it is quick on a machine that already has them.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  unixodbc unixodbc-dev odbcinst
  libfmt-dev libboost-regex-dev
  libsqlite3-dev sqlite3
  googletest libgtest-dev
  python3 python3-pyodbc python3-pandas python3-matplotlib
  binutils
  libsqliteodbc linux-perf
  clang-16 libclang-rt-16-dev
  clang-format
  libiodbc2 r-cran-rodbc python3-pyqt5.qtsql libqt5sql5-odbc
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
