#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time on a copy of its
# committed seed corpus. Usage: scripts/fuzz.sh [SECONDS-PER-TARGET] [TARGET…]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-15}
shift || true
build_dir=${ZUVO_FUZZ_BUILD_DIR:-build-fuzz}
# A fresh tree holds the library and the targets only; a configured one (CI's sanitizer build)
# keeps its tests and program.
only_fuzz=()
[ -f "$build_dir/CMakeCache.txt" ] || only_fuzz=(-DZUVO_BUILD_TESTS=OFF -DZUVO_BUILD_CLI=OFF)
CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZUVO_FUZZ=ON "${only_fuzz[@]}" >/dev/null
targets=("$@")
if ((${#targets[@]} == 0)); then
  for f in fuzz/*_fuzz.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
cmake --build "$build_dir" -j2 --target "${targets[@]}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for t in "${targets[@]}"; do
  name=${t%_fuzz}
  mkdir -p "$work/$name"
  [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$work/$name/"
  echo "== $t: ${seconds}s"
  status=0
  "$build_dir/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/$name-" "$work/$name" >"$work/$name.log" 2>&1 || status=$?
  grep -E '^stat::number_of_executed_units' "$work/$name.log" || true
  if [ "$status" -ne 0 ]; then
    tail -40 "$work/$name.log"
    mkdir -p fuzz-artifacts && cp "$work/$name"-* fuzz-artifacts/ 2>/dev/null || true
    echo "fuzz target $t found a fault (input kept in fuzz-artifacts/)"
    exit 1
  fi
done
