#!/usr/bin/env bash
# The main job: a sample SQLite database of Japanese business data goes out to a CSV file and
# a fixed-length Shift-JIS file and comes back into fresh tables, which must equal the original.
set -euo pipefail
cd "$(dirname "$0")/.."
zuvo=${ZUVO_BUILD_DIR:-build}/zuvo
rows=${ZUVO_DEMO_ROWS:-100000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
db=$work/sales.db
echo "zuvo demo: $rows rows of sample orders in $db"

# Names, places and goods cycle through small lists; amounts and dates follow the row number.
sqlite3 "$db" <<SQL
create table 受注 (受注番号 varchar(8), 顧客名 varchar(20), 住所 varchar(30), 品名 varchar(20),
                   数量 integer, 単価 real, 受注日 varchar(10));
create table 名前 (i integer, v text);
insert into 名前 values (0,'山田商店'),(1,'株式会社鈴木製作所'),(2,'ｶﾀｶﾅ商会'),(3,'髙橋工業'),
  (4,'佐藤　花子'),(5,'（有）田中食品'),(6,'Ａ＆Ｂトレーディング'),(7,'渡辺'),(8,'伊藤・小林'),(9,'中村ﾏｰﾄ');
create table 住所 (i integer, v text);
insert into 住所 values (0,'東京都千代田区丸の内１－１'),(1,'大阪府大阪市北区梅田２－４'),
  (2,'北海道札幌市中央区'),(3,'福岡県福岡市博多区'),(4,'愛知県名古屋市中村区名駅');
create table 品名 (i integer, v text);
insert into 品名 values (0,'ボールペン（黒）'),(1,'コピー用紙Ａ４'),(2,'ﾎｯﾁｷｽ針'),(3,'封筒　長形３号'),
  (4,'クリアファイル'),(5,'付箋 75mm'),(6,'電卓');
with recursive n(i) as (select 1 union all select i + 1 from n where i < $rows)
insert into 受注
select printf('J%07d', i),
       (select v from 名前 where 名前.i = n.i % 10),
       (select v from 住所 where 住所.i = n.i % 5),
       (select v from 品名 where 品名.i = n.i % 7),
       n.i % 97 + 1,
       (n.i % 5000) * 10 + 0.5,
       printf('2024.%02d.%02d', n.i % 12 + 1, n.i % 28 + 1)
from n;
create table csv取込 as select * from 受注 where 0;
create table 固定取込 as select * from 受注 where 0;
SQL

fds="x__0008 x__0020 x__0030 x__0020 n__0005 n1r0008 dt_0008"
step() { echo; echo "\$ zuvo $*"; "$zuvo" "$@"; }
step export csv "$work/受注.csv" --db "$db" --sql "select * from 受注 order by 受注番号"
step export fixed "$work/受注.dat" --db "$db" --sql "select * from 受注 order by 受注番号" \
  --fds "$fds" --cr
step import csv "$work/受注.csv" --db "$db" --table csv取込
step import fixed "$work/受注.dat" --db "$db" --table 固定取込 --fds "$fds" --bln 0

differ() {
  sqlite3 "$db" "select (select count(*) from (select * from 受注 except select * from $1))
                      + (select count(*) from (select * from $1 except select * from 受注))"
}
echo
echo "first lines of the CSV file (Shift-JIS, shown as UTF-8):"
head -n 3 "$work/受注.csv" | iconv -f CP932 -t UTF-8 | sed 's/\r$//; s/^/  /'
echo "first record of the fixed-length file:"
head -n 1 "$work/受注.dat" | iconv -f CP932 -t UTF-8 | sed 's/\r$//; s/^/  /'
echo
csv_diff=$(differ csv取込)
fixed_diff=$(differ 固定取込)
printf 'summary: %s rows; CSV file %s bytes, fixed-length file %s bytes\n' "$rows" \
  "$(stat -c %s "$work/受注.csv")" "$(stat -c %s "$work/受注.dat")"
printf '  CSV round trip:          %s rows back, %s differing\n' \
  "$(sqlite3 "$db" 'select count(*) from csv取込')" "$csv_diff"
printf '  fixed-length round trip: %s rows back, %s differing\n' \
  "$(sqlite3 "$db" 'select count(*) from 固定取込')" "$fixed_diff"
if [ "$csv_diff" != 0 ] || [ "$fixed_diff" != 0 ]; then
  echo "demo FAILED: the tables differ" >&2
  exit 1
fi
echo "demo passed: both round trips gave back the original table"

# The JEF leg: the same orders go to a mainframe file (JEF text, zoned and packed numbers)
# through the sample conversion table and come back into a table, and a CSV made from the JEF
# file converts to JEF and back unchanged.
echo
echo "JEF leg (conversion table: data/sjisjef.tbl, the sample; a site installs its own)"
cp data/sjisjef.tbl "$work/"
# 髙 is an IBM extension outside JIS X 0208, which the sample table covers: it would come back
# as the substitute character, so the leg sends its JIS X 0208 form.
orders="select 受注番号, replace(顧客名, '髙', '高') as 顧客名, 住所, 品名, 数量, 単価, 受注日
        from 受注 order by 受注番号"
jef_out="x__0008 x__0024 k__0030 x__0020 n__0005 p1_0007 d__0008"
jef_in="x__0008 x__0024 k__0030 x__0020 n__0005 p1_0007 dt_0008"
sqlite3 "$db" "create table jef取込 as select * from 受注 where 0"
step export jef "$work/受注.jef" --db "$db" --sql "$orders" --fds "$jef_out" --home "$work"
step import jef "$work/受注.jef" --db "$db" --table jef取込 --fds "$jef_in" --home "$work"
step convert jef-to-csv "$work/受注.jef" "$work/受注jef.csv" --fds "$jef_out" --home "$work"
step convert csv-to-jef "$work/受注jef.csv" "$work/受注2.jef" --fds "$jef_out" --home "$work"
step convert jef-to-csv "$work/受注2.jef" "$work/受注jef2.csv" --fds "$jef_out" --home "$work"
echo
echo "first record of the JEF file (hex):"
head -c 64 "$work/受注.jef" | od -An -tx1 | sed 's/^/ /'
echo "first line of the CSV made from it (Shift-JIS, shown as UTF-8):"
head -n 1 "$work/受注jef.csv" | iconv -f CP932 -t UTF-8 | sed 's/\r$//; s/^/  /'
# The "k" column comes back filled with ideographic spaces to its width.
jef_diff=$(sqlite3 "$db" "select count(*) from (select * from ($orders) except
  select 受注番号, 顧客名, rtrim(住所, '　'), 品名, 数量, 単価, 受注日 from jef取込)")
printf '  JEF round trip:          %s rows back, %s differing\n' \
  "$(sqlite3 "$db" 'select count(*) from jef取込')" "$jef_diff"
if [ "$jef_diff" != 0 ] || ! cmp -s "$work/受注.jef" "$work/受注2.jef" ||
  ! cmp -s "$work/受注jef.csv" "$work/受注jef2.csv"; then
  echo "demo FAILED: the JEF round trips differ" >&2
  exit 1
fi
echo "  CSV → JEF → CSV:         the JEF files and the CSV files are equal byte for byte"
echo "demo passed: the JEF round trips gave back the original table and files"
