#!/usr/bin/env bash
# Times the CSV and fixed-length conversions of a 1,000,000-row table of Japanese text against
# the sqlite3 program doing the same work, side by side in one run, with the peak resident
# memory of each. Usage: bench/convert_bench.sh [ROWS]   (needs /usr/bin/time, sqlite3, a build)
set -euo pipefail
cd "$(dirname "$0")/.."
zuvo=${ZUVO_BUILD_DIR:-build}/zuvo
rows=${1:-1000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
db=$work/bench.db

sqlite3 "$db" <<SQL
create table t (code varchar(10), name varchar(30), city varchar(20), qty integer,
                price real, day varchar(10));
create table words (i integer, v text);
insert into words values (0,'山田商店'),(1,'株式会社鈴木製作所'),(2,'ｶﾀｶﾅ商会'),(3,'髙橋工業'),
  (4,'佐藤　花子'),(5,'（有）田中食品'),(6,'東京都千代田区'),(7,'大阪府大阪市'),(8,'札幌市中央区');
with recursive n(i) as (select 1 union all select i + 1 from n where i < $rows)
insert into t select printf('C%08d', i), (select v from words where words.i = n.i % 6),
  (select v from words where words.i = 6 + n.i % 3), i % 1000, (i % 100000) / 4.0,
  printf('2024.%02d.%02d', i % 12 + 1, i % 28 + 1) from n;
create table back_zuvo as select * from t where 0;
create table back_sqlite as select * from t where 0;
create table back_fixed as select * from t where 0;
SQL

# Prints "seconds peak-KiB cpu-seconds" of a command. On a shared machine the processor time
# (user + system) is the steadier figure; the ratios are given for both.
measure() {
  /usr/bin/time -f "%e %M %U %S" -o "$work/time" "$@" > /dev/null
  awk '{ printf "%s %s %.2f\n", $1, $2, $3 + $4 }' "$work/time"
}
ratio() { awk "BEGIN { printf \"%.2f\", $1 / ($2 > 0 ? $2 : 0.01) }"; }
report() {  # name, our "s KiB cpu", their "s KiB cpu"
  read -r s kib cpu <<< "$2"
  if [ -n "${3:-}" ]; then
    read -r s2 kib2 cpu2 <<< "$3"
    printf '%-28s %6.2f s (cpu %5.2f) %7d KiB | sqlite3 %6.2f s (cpu %5.2f) %7d KiB | ratio %s (cpu %s)\n' \
      "$1" "$s" "$cpu" "$kib" "$s2" "$cpu2" "$kib2" "$(ratio "$s" "$s2")" "$(ratio "$cpu" "$cpu2")"
  else
    printf '%-28s %6.2f s (cpu %5.2f) %7d KiB | %s rows/s (per cpu second %s)\n' "$1" "$s" "$cpu" \
      "$kib" "$(ratio "$rows" "$s" | cut -d. -f1)" "$(ratio "$rows" "$cpu" | cut -d. -f1)"
  fi
}
query="select * from t"
fds="x__0010 x__0030 x__0020 n__0006 n2r0010 dt_0008"
ours=$(measure "$zuvo" export csv "$work/t.csv" --db "$db" --sql "$query" --quiet)
theirs=$(measure sh -c "sqlite3 -csv '$db' '$query' > '$work/sqlite.csv'")
echo "$rows rows, six columns of Japanese text and numbers"
report "CnvCSVFile vs sqlite3 -csv" "$ours" "$theirs"
ours=$(measure "$zuvo" import csv "$work/t.csv" --db "$db" --table back_zuvo --quiet)
theirs=$(measure sqlite3 "$db" ".import --csv --skip 1 '$work/t.csv' back_sqlite")
report "SetRDB vs sqlite3 .import" "$ours" "$theirs"
report "CnvFixSFFile vs sqlite3 -csv" "$(measure "$zuvo" export fixed "$work/t.dat" --db "$db" --sql "$query" --fds "$fds" --cr --quiet)" "$(measure sh -c "sqlite3 -csv '$db' '$query' > '$work/sqlite-fixed.csv'")"
report "SetFixRDB (line file)" "$(measure "$zuvo" import fixed "$work/t.dat" --db "$db" --table back_fixed --fds "$fds" --quiet)"
