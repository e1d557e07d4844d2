#!/usr/bin/env bash
# The Python module against its peers, side by side in one run: LenByte called from Python
# against Python's own len(s.encode("cp932")) over the same texts (the best of several timeit
# repeats), and CnvCSVFile from Python against the same export by the zuvo program, which must
# write the same bytes. Usage: bench/python_bench.sh [ROWS]
# (needs /usr/bin/time, sqlite3, a build with the module)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ZUVO_BUILD_DIR:-build}
zuvo=$build/zuvo
# Debian's interpreter: the module is built for it, whatever Python comes first on the PATH.
python=(env PYTHONPATH="$build/python" /usr/bin/python3)
rows=${1:-1000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source bench/lib.sh

# --- LenByte against len(s.encode("cp932")) ---
# The names and places of the other benchmarks' tables, and a long line of them all, under
# LenByte's 32767 bytes.
line=$("${python[@]}" - <<'PY'
import timeit, zuvo
words = ["山田商店", "株式会社鈴木製作所", "ｶﾀｶﾅ商会", "髙橋工業", "佐藤　花子", "（有）田中食品",
         "ﾔﾏﾀﾞ ﾀﾛｳ", "株式会社関東中央物産販売", "東京都千代田区", "大阪府大阪市", "札幌市中央区",
         "東京都千代田区丸の内１－１", "大阪府大阪市北区梅田２－４", "Sapporo Chuo-ku 3-5",
         "東京都千代田区丸の内1-1ｶﾀｶﾅ", "C00012345", "2024.03.15", ""]
long = "，".join(words) * 8
texts = [long if i % 500 == 0 else words[i % len(words)] for i in range(5000)]
z = zuvo.ZuvoCls()
f = z.LenByte
assert sum(map(f, texts)) == sum(len(s.encode("cp932")) for s in texts)

def calls_per_second(stmt):
    timer = timeit.Timer(stmt, globals={"f": f, "texts": texts})
    number, _ = timer.autorange()
    return len(texts) * number / min(timer.repeat(repeat=7, number=number))

ours = calls_per_second("for s in texts: f(s)")
peer = calls_per_second("for s in texts: len(s.encode('cp932'))")
print(f"{ours:.0f} {peer:.0f} {len(texts)} {len(long)}")
PY
)
read -r ours peer count long <<<"$line"
row=$(awk -v o="$ours" -v p="$peer" -v n="$count" -v l="$long" 'BEGIN { r = o / p
  printf "LenByte from Python, %d texts up to %d characters\t%.2f M calls/s\t", n, l, o / 1e6
  met = r >= 0.5
  printf "len(s.encode(\"cp932\")): %.2f M calls/s\t%.2f× the speed\t≥ 0.5× %s\n", p / 1e6, r,
    met ? "✔" : "✘" }')
printf '%s\n' "$row" | awk -F'\t' '{ printf "%-30s %-16s | %-36s | %s | target %s\n", $1, $2, $3, $4, $5 }'
if [ -n "${ZUVO_BENCH_TABLE:-}" ]; then printf '%s\n' "$row" >>"$ZUVO_BENCH_TABLE"; fi

# --- CnvCSVFile from Python against the zuvo program ---
db=$work/bench.db
make_rows_table "$db" "$rows"
query="select * from t"
cat >"$work/export.py" <<'PY'
import sys, zuvo
db, sql, out, rows = sys.argv[1:]
z = zuvo.ZuvoCls()
if z.CnvCSVFile(zuvo.connect("sqlite:" + db), sql, out, False) != int(rows):
    sys.exit(f"CnvCSVFile: {z.last_conversion.message}")
PY
# The quickest of three runs: one run varies by about the 5% the target leaves.
best_of_three() {
  local best="" t
  for _ in 1 2 3; do
    t=$(measure "$@")
    if [ -z "$best" ] || awk -v t="${t% *}" -v b="${best% *}" 'BEGIN { exit !(t < b) }'; then best=$t; fi
  done
  echo "$best"
}
echo "$rows rows, six columns of Japanese text, numbers and Nulls"
against "CnvCSVFile from Python, $rows rows" \
  "$(best_of_three "${python[@]}" "$work/export.py" "$db" "$query" "$work/python.csv" "$rows")" \
  "zuvo export csv" \
  "$(best_of_three "$zuvo" export csv "$work/zuvo.csv" --db "$db" --sql "$query" --quiet)" time 1.05
for ext in csv csd; do  # the file and its type file
  cmp "$work/python.$ext" "$work/zuvo.$ext" ||
    { echo "CnvCSVFile from Python: not the zuvo program's bytes" >&2; exit 1; }
done
