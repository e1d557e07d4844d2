#!/usr/bin/env bash
# Times the CSV and fixed-length conversions of a table of Japanese business rows (names with
# 髙 and half-width katakana, long names, Nulls) against the sqlite3 program doing the same
# work, side by side in one run, with the peak resident memory of each.
# Usage: bench/convert_bench.sh [ROWS]   (needs /usr/bin/time, sqlite3, a build)
set -euo pipefail
cd "$(dirname "$0")/.."
zuvo=${ZUVO_BUILD_DIR:-build}/zuvo
rows=${1:-1000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source bench/lib.sh
db=$work/bench.db

sqlite3 "$db" <<SQL
create table t (code varchar(10), name varchar(30), city varchar(20), qty integer,
                price real, day varchar(10));
create table words (i integer, v text);
insert into words values (0,'山田商店'),(1,'株式会社鈴木製作所'),(2,'ｶﾀｶﾅ商会'),(3,'髙橋工業'),
  (4,'佐藤　花子'),(5,'（有）田中食品'),(6,'東京都千代田区'),(7,'大阪府大阪市'),(8,'札幌市中央区'),
  (9,'株式会社関東中央物産販売'),(10,'ﾔﾏﾀﾞ ﾀﾛｳ');
with recursive n(i) as (select 1 union all select i + 1 from n where i < $rows)
insert into t select printf('C%08d', i),
  case when i % 13 = 0 then null else (select v from words
    where words.i = case when n.i % 5 = 0 then 9 + n.i % 2 else n.i % 6 end) end,
  (select v from words where words.i = 6 + n.i % 3),
  case when i % 7 = 0 then null else i % 1000 end, (i % 100000) / 4.0,
  printf('2024.%02d.%02d', i % 12 + 1, i % 28 + 1) from n;
create table back_zuvo as select * from t where 0;
create table back_sqlite as select * from t where 0;
create table back_fixed as select * from t where 0;
create table back_fixed_sqlite as select * from t where 0;
SQL

query="select * from t"
fds="x__0010 x__0030 x__0020 n__0006 n2r0010 dt_0008"
echo "$rows rows, six columns of Japanese text, numbers and Nulls"
export_csv=$(measure sh -c "sqlite3 -csv '$db' '$query' > '$work/sqlite.csv'")
against CnvCSVFile "$(measure "$zuvo" export csv "$work/t.csv" --db "$db" --sql "$query" --quiet)" \
  "sqlite3 -csv" "$export_csv" time 0.8
against SetRDB "$(measure "$zuvo" import csv "$work/t.csv" --db "$db" --table back_zuvo --quiet)" \
  "sqlite3 .import --csv" \
  "$(measure sqlite3 "$db" ".import --csv --skip 1 '$work/t.csv' back_sqlite")" time 0.5
against CnvFixSFFile \
  "$(measure "$zuvo" export fixed "$work/t.dat" --db "$db" --sql "$query" --fds "$fds" --cr --quiet)" \
  "sqlite3 -csv" "$export_csv" time 1.0
against "SetFixRDB (line file)" \
  "$(measure "$zuvo" import fixed "$work/t.dat" --db "$db" --table back_fixed --fds "$fds" --quiet)" \
  "sqlite3 .import --csv" \
  "$(measure sqlite3 "$db" ".import --csv --skip 1 '$work/t.csv' back_fixed_sqlite")" time 0.6
# A Null text comes back as an empty text, as the file can't tell them apart.
differ=$(sqlite3 "$db" "select count(*) from (select code, ifnull(name, ''), city, qty, price, day
  from t except select * from back_zuvo)")
[ "$differ" = 0 ] || echo "  SetRDB: $differ rows came back different"
