#!/usr/bin/env bash
# Times the JEF conversions, side by side in one run:
# - CSVtoJEF and JEFtoCSV on a ~100 MB Shift-JIS CSV of business rows (text, "k", "n" and "p"
#   fields) against ICU's general converter (uconv, windows-932 to ibm-939) on the same file;
# - CnvJefSFFile and SetJefRDB on a 1,000,000-row SQLite table (and a tenth of it, so that the
#   peak resident memory of both sizes can be compared).
# Usage: bench/jef_bench.sh [CSV-MB] [ROWS]   (needs /usr/bin/time, sqlite3, uconv, a build)
set -euo pipefail
cd "$(dirname "$0")/.."
zuvo=${ZUVO_BUILD_DIR:-build}/zuvo
megabytes=${1:-100}
rows=${2:-1000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp data/sjisjef.tbl "$work/"

measure() {  # prints "cpu-seconds peak-KiB" of a command; the CPU time (user + system) is
  # steadier than the elapsed time on a machine shared with other work
  /usr/bin/time -f "%U %S %M" -o "$work/time" "$@" > /dev/null
  awk '{printf "%.2f %d\n", $1 + $2, $3}' "$work/time"
}
rate() { awk "BEGIN{printf \"%.1f\", $1 / ($2 > 0 ? $2 : 0.01)}"; }

# --- CSV <-> JEF against uconv ---
python3 - "$work/in.csv" "$megabytes" <<'PY'
import sys
names = ["株式会社鈴木製作所", "山田商店", "ｶﾀｶﾅ商会", "髙橋工業", "佐藤　花子", "（有）田中食品"]
places = ["東京都千代田区丸の内１－１", "大阪府大阪市北区梅田２－４", "Sapporo Chuo-ku 3-5",
          "福岡県福岡市博多区", "愛知県名古屋市中村区名駅"]
target = int(sys.argv[2]) * 1000 * 1000
with open(sys.argv[1], "wb") as f:
    size, i = 0, 0
    while size < target:
        line = '"C%08d","%s","%d","%d.%02d","%d.%02d","%s"\r\n' % (
            i, names[i % 6], i % 100000, (i * 7) % 100000, i % 100, -(i % 9999999), i % 100,
            places[i % 5])
        b = line.encode("cp932")
        f.write(b)
        size += len(b)
        i += 1
PY
size=$(stat -c %s "$work/in.csv")
mb=$(awk "BEGIN{print $size / 1000000}")
fds="x__0010 k__0030 n__0006 n2r0010 p2_0011 x__0030"
to_jef=$(measure "$zuvo" convert csv-to-jef "$work/in.csv" "$work/out.jef" --fds "$fds" --home "$work" -q)
icu=$(measure uconv -f windows-932 -t ibm-939 --to-callback substitute -o "$work/icu.out" "$work/in.csv")
to_csv=$(measure "$zuvo" convert jef-to-csv "$work/out.jef" "$work/back.csv" --fds "$fds" --home "$work" -q)
read -r s1 k1 <<< "$to_jef"
read -r s2 k2 <<< "$icu"
read -r s3 k3 <<< "$to_csv"
echo "CSV of $mb MB ($(wc -l < "$work/in.csv") records), JEF file $(stat -c %s "$work/out.jef") bytes"
printf '%-28s %7.2f s CPU %8.1f MB/s %8d KiB   ratio to uconv %.2f\n' "CSVtoJEF" "$s1" "$(rate "$mb" "$s1")" "$k1" "$(awk "BEGIN{print $s2 / $s1}")"
printf '%-28s %7.2f s CPU %8.1f MB/s %8d KiB   ratio to uconv %.2f\n' "JEFtoCSV (same CSV MB)" "$s3" "$(rate "$mb" "$s3")" "$k3" "$(awk "BEGIN{print $s2 / $s3}")"
printf '%-28s %7.2f s CPU %8.1f MB/s %8d KiB\n' "uconv windows-932→ibm-939" "$s2" "$(rate "$mb" "$s2")" "$k2"

# --- table <-> JEF file ---
table_run() {  # rows: prints the two result lines
  local n=$1 db=$work/bench$1.db
  sqlite3 "$db" <<SQL
create table t (code varchar(10), name varchar(30), qty integer, amount numeric, price numeric,
                day varchar(10), note varchar(30));
create table words (i integer, v text);
insert into words values (0,'山田商店'),(1,'株式会社鈴木製作所'),(2,'ｶﾀｶﾅ商会'),(3,'髙橋工業'),
  (4,'佐藤　花子'),(5,'（有）田中食品'),(6,'東京都千代田区'),(7,'大阪府大阪市'),(8,'札幌市中央区');
with recursive c(i) as (select 1 union all select i + 1 from c where i < $n)
insert into t select printf('C%08d', i), (select v from words where words.i = c.i % 6), i % 1000,
  (i % 100000) / 4.0, -(i % 99999) / 100.0, printf('2024.%02d.%02d', i % 12 + 1, i % 28 + 1),
  (select v from words where words.i = 6 + c.i % 3) from c;
create table back as select * from t where 0;
SQL
  local out="x__0010 k__0030 n__0003 n2r0010 p2_0009 d__0008 x__0030"
  local in="x__0010 k__0030 n__0003 n2r0010 p2_0009 dt_0008 x__0030"
  local e i
  e=$(measure "$zuvo" export jef "$work/t.jef" --db "$db" --sql "select * from t" --fds "$out" --home "$work" -q)
  i=$(measure "$zuvo" import jef "$work/t.jef" --db "$db" --table back --fds "$in" --home "$work" -q)
  read -r s k <<< "$e"
  printf '%-28s %9d rows %7.2f s CPU %9.0f rows/s %8d KiB peak\n' "CnvJefSFFile" "$n" "$s" "$(rate "$n" "$s")" "$k"
  read -r s k <<< "$i"
  printf '%-28s %9d rows %7.2f s CPU %9.0f rows/s %8d KiB peak\n' "SetJefRDB" "$n" "$s" "$(rate "$n" "$s")" "$k"
  local differ
  differ=$(sqlite3 "$db" "select count(*) from (select code, name, qty, amount, price, day, note from t except select code, rtrim(name, '　'), qty, amount, price, day, note from back)")
  [ "$differ" = 0 ] || echo "  $differ rows came back different"
}
table_run $((rows / 10))
table_run "$rows"
