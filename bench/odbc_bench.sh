#!/usr/bin/env bash
# CnvCSVFile of a PostgreSQL table through ODBC at two sizes against psql's \copy of the same
# query, with the peak resident memory of each: the export must stream, whatever the size.
# Usage: bench/odbc_bench.sh [ROWS]   (runs itself inside scripts/with-test-db.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${ZUVO_TEST_ODBC:-}" ]; then exec scripts/with-test-db.sh "$0" "$@"; fi
zuvo=$(realpath "${ZUVO_BUILD_DIR:-build}/zuvo")
rows=${1:-2000000}
work=$(mktemp -d)
chmod 777 "$work"
trap 'rm -rf "$work"' EXIT
source bench/lib.sh
server=$(awk -F= '/^Servername=/ { print $2 }' "$ODBCINI")
psql=(psql -q -h "$server" -U zuvo -d postgres)
[ "$(id -u)" -eq 0 ] && psql=(runuser -u postgres -- "${psql[@]}")
# Elapsed seconds and peak KiB: the server does much of the work of both, out of their
# processor time.
elapsed() {
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null
  cat "$work/time"
}

for n in $((rows / 10)) "$rows"; do
  "${psql[@]}" -c "drop table if exists t; create table t (code varchar(10), name varchar(30),
    qty integer, price numeric(12,2), day varchar(10));
    insert into t select 'C' || lpad(i::text, 8, '0'),
      (array['山田商店','株式会社鈴木製作所','ｶﾀｶﾅ商会','髙橋工業',null])[i % 5 + 1],
      case when i % 7 = 0 then null else i % 1000 end, (i % 100000) / 4.0,
      '2024.' || lpad((i % 12 + 1)::text, 2, '0') || '.01' from generate_series(1, $n) i;"
  against "CnvCSVFile, ODBC, $n rows (elapsed)" \
    "$(elapsed "$zuvo" export csv "$work/t.csv" --db "$ZUVO_TEST_ODBC" --sql "select * from t" --quiet)" \
    "psql \\copy" "$(elapsed "${psql[@]}" -c "\\copy (select * from t) to '$work/p.csv' csv")" time 1.5
done
