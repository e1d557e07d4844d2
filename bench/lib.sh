# Shared by the benchmark scripts: the timing of one command and the rows of the table that
# bench/compare prints at the end. Source it after setting $work (a scratch folder).

# Prints "cpu-seconds peak-KiB" of a command. The processor time (user + system) is steadier
# than the elapsed time on a machine shared with other work.
measure() {
  /usr/bin/time -f "%U %S %M" -o "$work/time" "$@" >/dev/null
  awk '{ printf "%.2f %d\n", $1 + $2, $3 }' "$work/time"
}

# against JOB "OURS" PEER "THEIRS" SENSE TARGET
# OURS and THEIRS are "cpu-seconds peak-KiB" from measure. SENSE "time" gives the ratio of our
# time to the peer's, met when at most TARGET; "speed" gives the ratio of our speed to the
# peer's, met when at least TARGET. Prints one line, and adds a row to $ZUVO_BENCH_TABLE when
# bench/compare asked for one.
against() {
  local job=$1 peer=$3 sense=$5 target=$6 cpu kib pcpu pkib
  read -r cpu kib <<<"$2"
  read -r pcpu pkib <<<"$4"
  local line
  line=$(awk -v j="$job" -v p="$peer" -v s="$sense" -v t="$target" -v c="$cpu" -v k="$kib" \
    -v pc="$pcpu" -v pk="$pkib" 'BEGIN {
      c = c > 0 ? c : 0.01; pc = pc > 0 ? pc : 0.01
      r = s == "time" ? c / pc : pc / c
      met = s == "time" ? r <= t : r >= t
      printf "%s\t%.2f s, %d MB\t%s: %.2f s, %d MB\t%.2f× %s\t%s %s× %s\n", j, c, k / 1024, p, pc,
        pk / 1024, r, s == "time" ? "the time" : "the speed", s == "time" ? "≤" : "≥", t,
        met ? "✔" : "✘" }')
  [ -n "${ZUVO_QUIET_ROW:-}" ] || printf '%s\n' "$line" | awk -F'\t' '{ printf "%-30s %-16s | %-36s | %s | target %s\n", $1, $2, $3, $4, $5 }'
  if [ -n "${ZUVO_BENCH_TABLE:-}" ]; then printf '%s\n' "$line" >>"$ZUVO_BENCH_TABLE"; fi
}

# The same, only as a row of the table, for a script that prints its own lines.
table_row() {
  ZUVO_QUIET_ROW=1 against "$@"
}

# make_rows_table DB ROWS: table t of DB, ROWS rows of Japanese business data: names with 髙 and
# half-width katakana, long names, Nulls, codes, numbers and dates.
make_rows_table() {
  local rows=$2
  sqlite3 "$1" <<SQL
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
SQL
}
