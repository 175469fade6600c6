#!/usr/bin/env bash
# The driver under the iODBC Driver Manager: a data source defined only in iODBC's own system
# file (SYSODBCINI), which unixODBC does not read, is found through iODBC's installer library.
set -euo pipefail

if [ -z "${IODBC_CLIENT:-}" ]; then
    echo "iODBC's library (Debian libiodbc2) is missing: scripts/setup.sh installs it"
    exit 77
fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$VDLSH" "file://$dir/store.db" --sample 20 >/dev/null
cat >"$dir/iodbc.ini" <<INI
[ODBC Data Sources]
vdl-iodbc = vdl

[vdl-iodbc]
Driver = $VDL_DRIVER_PATH
uri    = file://$dir/store.db
logdir = $dir/log
INI
: >"$dir/empty.ini"

out=$(SYSODBCINI="$dir/iodbc.ini" ODBCINI="$dir/empty.ini" ODBCSYSINI="$dir" "$IODBC_CLIENT" vdl-iodbc 2>&1) || {
    echo "$out"
    echo "FAIL: the iODBC client failed"
    exit 1
}
expected="query:
2021-01-01 00:00:00|tsla|200.1
2021-01-01 00:00:01.000000001|aapl|130
2021-01-01 00:00:02.000000002|aapl|129.91
tables:
5 columns
NULL|NULL|sensors|TABLE
NULL|NULL|trades|TABLE"
if [ "$out" != "$expected" ]; then
    diff <(printf '%s\n' "$expected") <(printf '%s\n' "$out") || true
    echo "FAIL: the iODBC client read other rows"
    exit 1
fi
echo "iodbc: a query and SQLTables through iODBC's Driver Manager as expected"
