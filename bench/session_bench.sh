#!/usr/bin/env bash
# Small calls through one `zuvo session` against one `zuvo call` process per call: LenByte of a
# 20-character text. Usage: bench/session_bench.sh [REQUESTS]
set -euo pipefail
cd "$(dirname "$0")/.."
zuvo=${ZUVO_BUILD_DIR:-build}/zuvo
requests=${1:-100000}
calls=$((requests / 500 > 20 ? requests / 500 : 20))
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
text='東京都千代田区丸の内1-1ｶﾀｶﾅ'
awk -v n="$requests" -v t="$text" 'BEGIN { for (i = 1; i <= n; i++)
  printf "{\"jsonrpc\":\"2.0\",\"id\":%d,\"method\":\"LenByte\",\"params\":[\"%s\"]}\n", i, t }' \
  >"$work/requests"
start=$(date +%s.%N)
"$zuvo" session <"$work/requests" >"$work/responses"
session=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { print b - a }')
[ "$(wc -l <"$work/responses")" -eq "$requests" ] || { echo "missing responses" >&2; exit 1; }
start=$(date +%s.%N)
for ((i = 0; i < calls; i++)); do "$zuvo" call LenByte "\"$text\"" >/dev/null; done
call=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { print b - a }')
awk -v r="$requests" -v s="$session" -v c="$calls" -v t="$call" 'BEGIN {
  printf "session: %d calls in %.2f s = %.0f calls/s\n", r, s, r / s
  printf "zuvo call: %d processes in %.2f s = %.0f calls/s\n", c, t, c / t
  printf "ratio: %.0fx\n", (r / s) / (c / t) }'
