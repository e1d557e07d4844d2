#!/usr/bin/env bash
# A short demonstration of the library through the zuvo program.
set -euo pipefail
cd "$(dirname "$0")/.."
zuvo=${ZUVO_BUILD_DIR:-build}/zuvo
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
run() { echo "\$ zuvo $*"; "$zuvo" "$@"; echo; }
run --version
run call --home "$home" GetCmdPara '"a  b "' 1
run call --home "$home" GetPath '"C:\\Dir\\File.Txt"'
run call --home "$home" GetFilename '"C:\\Dir\\File.Txt"'
