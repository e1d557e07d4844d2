#!/usr/bin/env bash
# Runs a command with a throwaway PostgreSQL server reachable through ODBC, for the tests that
# run the data access layer against a real database server:
#   scripts/with-test-db.sh ctest --test-dir build
# The server lives in a temporary folder, listens only on a socket there, runs as an
# unprivileged user and is removed when the command ends. ZUVO_TEST_ODBC tells the tests its
# ODBC URI. Without PostgreSQL or its ODBC driver the command runs alone and those tests skip.
set -euo pipefail

pg_bin=${ZUVO_PG_BIN:-$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)}
driver=$(ls /usr/lib/*/odbc/psqlodbcw.so /usr/lib/odbc/psqlodbcw.so 2>/dev/null | head -n 1 || true)

if [ -z "$pg_bin" ] || [ ! -x "$pg_bin/pg_ctl" ] || [ -z "$driver" ]; then
  echo "with-test-db: PostgreSQL or its ODBC driver is not installed; ODBC tests will skip" >&2
  exec "$@"
fi

# PostgreSQL refuses to run as root: run it as its own system user then.
as_owner=()
if [ "$(id -u)" -eq 0 ]; then
  if ! id postgres >/dev/null 2>&1; then
    echo "with-test-db: running as root without a postgres user; ODBC tests will skip" >&2
    exec "$@"
  fi
  as_owner=(runuser -u postgres --)
fi

dir=$(mktemp -d /tmp/zuvo-pg.XXXXXX)
chmod 755 "$dir"
[ ${#as_owner[@]} -gt 0 ] && chown postgres: "$dir"

stop() {
  "${as_owner[@]}" "$pg_bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null 2>&1 || true
  rm -rf "$dir"
}
trap stop EXIT
trap "exit 130" INT TERM

"${as_owner[@]}" "$pg_bin/initdb" -D "$dir/data" -U zuvo --auth=trust -E UTF8 --no-locale \
  >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
"${as_owner[@]}" "$pg_bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w \
  -o "-c listen_addresses='' -c unix_socket_directories='$dir' -c fsync=off" start >/dev/null ||
  { cat "$dir/server.log" >&2; exit 1; }

# Debian's driver entry logs every connection into /tmp (CommLog); this one does not.
cat >"$dir/odbcinst.ini" <<INI
[zuvo PostgreSQL Unicode]
Driver=$driver
CommLog=0
Debug=0
INI
cat >"$dir/odbc.ini" <<INI
[zuvotest]
Driver=zuvo PostgreSQL Unicode
Servername=$dir
Port=5432
Database=postgres
Username=zuvo
INI

# The driver keeps a few allocations until the process ends; they are not the library's leaks.
printf 'leak:psqlodbcw.so\nleak:libodbc.so\n' >"$dir/lsan.supp"
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$dir/lsan.supp"

export ODBCSYSINI=$dir ODBCINI=$dir/odbc.ini
# The client encoding would follow the locale (SQL_ASCII under LANG=C) and garble Japanese text.
export ZUVO_TEST_ODBC="odbc:DSN=zuvotest;ConnSettings=set client_encoding to 'UTF8'"
"$@"
