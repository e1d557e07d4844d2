#!/usr/bin/env bash
# Times the JEF conversions against their peers, side by side in one run (CPU time, user +
# system, the best of three runs each, since the machine may be shared):
# - CSVtoJEF and JEFtoCSV on a ~100 MB Shift-JIS CSV of business rows (text, "k", "n" and "p"
#   fields) against ICU's general converter, uconv, windows-932 to ibm-939 and back;
# - CnvJefSFFile on a 1,000,000-row SQLite table against `sqlite3 -csv` of the same query, and
#   SetJefRDB loading the file back; both also on a tenth of the rows, so that the peak resident
#   memory of the two sizes can be compared.
# The names hold 髙, half-width katakana, long names and empty texts or Nulls. With
# ZUVO_OTHER_BUILD_DIR set, the same jobs also run with that build and their output files must be
# byte for byte the same (for checking a change against the build before it).
# Usage: bench/jef_bench.sh [CSV-MB] [ROWS]   (needs /usr/bin/time, sqlite3, uconv, a build)
set -euo pipefail
cd "$(dirname "$0")/.."
zuvo=${ZUVO_BUILD_DIR:-build}/zuvo
other=${ZUVO_OTHER_BUILD_DIR:+$ZUVO_OTHER_BUILD_DIR/zuvo}
megabytes=${1:-100}
rows=${2:-1000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp data/sjisjef.tbl "$work/"
source bench/lib.sh

measure() {  # prints "cpu-seconds peak-KiB", the best of three runs, of a command
  local best="" t
  for _ in 1 2 3; do
    /usr/bin/time -f "%U %S %M" -o "$work/time" "$@" > /dev/null
    t=$(awk '{printf "%.2f %d\n", $1 + $2, $3}' "$work/time")
    if [ -z "$best" ] || awk "BEGIN{exit !(${t% *} < ${best% *})}"; then best=$t; fi
  done
  echo "$best"
}
rate() { awk "BEGIN{printf \"%.1f\", $1 / ($2 > 0 ? $2 : 0.01)}"; }
ratio() { awk "BEGIN{printf \"%.2f\", $1 / ($2 > 0 ? $2 : 0.01)}"; }
same() {  # output files of this build and of the other one
  if [ -n "$other" ]; then
    cmp -s "$1" "$2" && echo "  $(basename "$1"): the same bytes as the other build's" \
      || { echo "  $(basename "$1") DIFFERS from the other build's"; exit 1; }
  fi
}

# --- CSV <-> JEF against uconv ---
python3 - "$work/in.csv" "$megabytes" <<'PY'
import sys
names = ["株式会社鈴木製作所", "山田商店", "ｶﾀｶﾅ商会", "髙橋工業", "佐藤　花子", "（有）田中食品",
         "ﾔﾏﾓﾄ ﾀﾛｳ", "株式会社東日本中央精密機械製作", ""]
places = ["東京都千代田区丸の内１－１", "大阪府大阪市北区梅田２－４", "Sapporo Chuo-ku 3-5",
          "福岡県福岡市博多区", "愛知県名古屋市中村区名駅", ""]
target = int(sys.argv[2]) * 1000 * 1000
with open(sys.argv[1], "wb") as f:
    size, i = 0, 0
    while size < target:
        line = '"C%08d","%s","%d","%d.%02d","%d.%02d","%s"\r\n' % (
            i, names[i % 9], i % 100000, (i * 7) % 100000, i % 100, -(i % 9999999), i % 100,
            places[i % 6])
        b = line.encode("cp932")
        f.write(b)
        size += len(b)
        i += 1
PY
size=$(stat -c %s "$work/in.csv")
mb=$(awk "BEGIN{print $size / 1000000}")
fds="x__0010 k__0030 n__0006 n2r0010 p2_0011 x__0030"
to_jef=$(measure "$zuvo" convert csv-to-jef "$work/in.csv" "$work/out.jef" --fds "$fds" --home "$work" -q)
to_csv=$(measure "$zuvo" convert jef-to-csv "$work/out.jef" "$work/back.csv" --fds "$fds" --home "$work" -q)
icu=$(measure uconv -f windows-932 -t ibm-939 --to-callback substitute -o "$work/icu.out" "$work/in.csv")
icu_back=$(measure uconv -f ibm-939 -t windows-932 --from-callback substitute \
  --to-callback substitute -o "$work/icu.back" "$work/icu.out")
read -r s1 k1 <<< "$to_jef"
read -r s2 k2 <<< "$icu"
read -r s3 k3 <<< "$to_csv"
read -r s4 k4 <<< "$icu_back"
echo "CSV of $mb MB ($(wc -l < "$work/in.csv") records), JEF file $(stat -c %s "$work/out.jef") bytes"
line='%-30s %6.2f s CPU %7.1f MB/s %8d KiB'
printf "$line   %.2fx the speed of uconv\n" "CSVtoJEF" "$s1" "$(rate "$mb" "$s1")" "$k1" "$(ratio "$s2" "$s1")"
printf "$line   %.2fx the speed of uconv back\n" "JEFtoCSV (same CSV MB)" "$s3" "$(rate "$mb" "$s3")" "$k3" "$(ratio "$s4" "$s3")"
printf "$line\n" "uconv windows-932→ibm-939" "$s2" "$(rate "$mb" "$s2")" "$k2"
printf "$line\n" "uconv ibm-939→windows-932" "$s4" "$(rate "$mb" "$s4")" "$k4"
table_row "CSVtoJEF, $mb MB" "$to_jef" "uconv -f windows-932 -t ibm-939" "$icu" speed 2
table_row "JEFtoCSV, the same data" "$to_csv" "uconv -f ibm-939 -t windows-932" "$icu_back" speed 2
if [ -n "$other" ]; then
  printf "$line\n" "CSVtoJEF, other build" $(measure "$other" convert csv-to-jef "$work/in.csv" \
    "$work/other.jef" --fds "$fds" --home "$work" -q | awk -v mb="$mb" '{print $1, mb / $1, $2}')
  printf "$line\n" "JEFtoCSV, other build" $(measure "$other" convert jef-to-csv "$work/out.jef" \
    "$work/other.csv" --fds "$fds" --home "$work" -q | awk -v mb="$mb" '{print $1, mb / $1, $2}')
  same "$work/out.jef" "$work/other.jef"
  same "$work/back.csv" "$work/other.csv"
fi

# --- table <-> JEF file ---
table_run() {  # rows: prints the result lines
  local n=$1 db=$work/bench$1.db
  sqlite3 "$db" <<SQL
create table t (code varchar(10), name varchar(30), qty integer, amount numeric, price numeric,
                day varchar(10), note varchar(30));
create table words (i integer, v text);
insert into words values (0,'山田商店'),(1,'株式会社鈴木製作所'),(2,'ｶﾀｶﾅ商会'),(3,'髙橋工業'),
  (4,'佐藤　花子'),(5,'（有）田中食品'),(6,'ﾔﾏﾓﾄ ﾀﾛｳ'),
  (7,'株式会社東日本中央精密機械製作'),(8,null),
  (9,'東京都千代田区'),(10,'大阪府大阪市'),(11,'札幌市中央区'),(12,null);
with recursive c(i) as (select 1 union all select i + 1 from c where i < $n)
insert into t select printf('C%08d', i), (select v from words where words.i = c.i % 9),
  case when i % 13 = 0 then null else i % 1000 end,
  (i % 100000) / 4.0, -(i % 99999) / 100.0, printf('2024.%02d.%02d', i % 12 + 1, i % 28 + 1),
  (select v from words where words.i = 9 + c.i % 4) from c;
create table back as select * from t where 0;
create table back_sqlite as select * from t where 0;
SQL
  local query="select * from t"
  local out="x__0010 k__0030 n__0003 n2r0010 p2_0009 d__0008 x__0030"
  local in="x__0010 k__0030 n__0003 n2r0010 p2_0009 dt_0008 x__0030"
  local e i p s k s2 k2
  e=$(measure "$zuvo" export jef "$work/t.jef" --db "$db" --sql "$query" --fds "$out" --home "$work" -q)
  p=$(measure sh -c "sqlite3 -csv '$db' '$query' > '$work/sqlite.csv'")
  i=$(measure "$zuvo" import jef "$work/t.jef" --db "$db" --table back --fds "$in" --home "$work" -q)
  read -r s k <<< "$e"
  read -r s2 k2 <<< "$p"
  printf '%-30s %9d rows %6.2f s CPU %8d KiB peak   %.2fx the time of sqlite3 -csv\n' "CnvJefSFFile" "$n" "$s" "$k" "$(ratio "$s" "$s2")"
  printf '%-30s %9d rows %6.2f s CPU %8d KiB peak\n' "sqlite3 -csv, same query" "$n" "$s2" "$k2"
  read -r s k <<< "$i"
  printf '%-30s %9d rows %6.2f s CPU %8d KiB peak\n' "SetJefRDB" "$n" "$s" "$k"
  local load
  load=$(measure sqlite3 "$db" ".import --csv '$work/sqlite.csv' back_sqlite")
  printf '%-30s %9d rows %6.2f s CPU %8d KiB peak\n' "sqlite3 .import, same rows" "$n" $load
  if [ "$n" = "$rows" ]; then
    table_row "CnvJefSFFile, $n rows" "$e" "sqlite3 -csv" "$p" time 1.0
    table_row "SetJefRDB, $n rows" "$i" "sqlite3 .import --csv" "$load" time 0.6
  fi
  if [ -n "$other" ]; then
    read -r s k <<< "$(measure "$other" export jef "$work/other.t.jef" --db "$db" --sql "$query" --fds "$out" --home "$work" -q)"
    printf '%-30s %9d rows %6.2f s CPU %8d KiB peak\n' "CnvJefSFFile, other build" "$n" "$s" "$k"
    same "$work/t.jef" "$work/other.t.jef"
  fi
  # What comes back: the names widened (half-width katakana become full-width), 髙 (not in the
  # sample table) as the table's substitute, names filled with ideographic spaces, Nulls as
  # empty texts and zeros.
  local differ
  differ=$(sqlite3 "$db" "select count(*) from (select code, coalesce(name, ''), coalesce(qty, 0), amount, price, day, coalesce(note, '') from t except select code, rtrim(name, '　'), qty, amount, price, day, note from back)")
  echo "  $differ rows came back otherwise (widened katakana, 髙 substituted)"
}
table_run $((rows / 10))
table_run "$rows"
