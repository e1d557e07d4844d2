#!/usr/bin/env bash
# Installs every dependency (Debian 12) and builds zuvo into build/.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build ccache pkg-config clang-format
  clang clang-tidy cppcheck libclang-rt-14-dev
  libicu-dev icu-devtools libsqlite3-dev sqlite3 unixodbc unixodbc-dev odbc-postgresql postgresql
  libltdl-dev  # odbc.pc names -lltdl for static links, and unixodbc-dev does not bring it
  nlohmann-json3-dev libcli11-dev libgtest-dev libgmock-dev googletest libbenchmark-dev
  jlha-utils gnucobol3
  pybind11-dev python3-dev python3-pytest  # the Python module and its tests
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi

build_dir=${ZUVO_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${ZUVO_CMAKE_ARGS:-}
cmake --build "$build_dir" -j2
