#!/usr/bin/env bash
# Runs the whole test suite of the build in build/ (or $ZUVO_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${ZUVO_BUILD_DIR:-build}
cmake --build "$build_dir" -j2
# The database tests also run against a throwaway PostgreSQL server through ODBC.
scripts/with-test-db.sh ctest --test-dir "$build_dir" --output-on-failure -j2 --timeout 900
