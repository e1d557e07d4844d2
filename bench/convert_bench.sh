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

make_rows_table "$db" "$rows"
sqlite3 "$db" <<SQL
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
