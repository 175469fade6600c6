#!/usr/bin/env bash
# unixODBC's isql against the driver: a data source from a private odbc.ini and a sample store.
set -euo pipefail

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$VDLSH" "file://$dir/store.db" --sample 20 >/dev/null
printf '[vdl]\nDriver = %s\n' "$VDL_DRIVER_PATH" >"$dir/odbcinst.ini"
printf '[vdl-sample]\nDriver = vdl\nuri = file://%s/store.db\nlogdir = %s/log\n' "$dir" "$dir" >"$dir/odbc.ini"
export ODBCSYSINI=$dir ODBCINI=$dir/odbc.ini XDG_DATA_HOME=$dir

fail() { echo "FAIL: $*"; exit 1; }

out=$(printf 'select count(*) as n from trades\n' | isql -b -v vdl-sample)
echo "$out"
grep -q '| 20 ' <<<"$out" || fail "count of the sample table"

out=$(printf "select sym, volume from trades where volume is not null order by \$timestamp limit 3\n" | isql -b -v -c vdl-sample)
echo "$out"
grep -q '^| sym' <<<"$out" || fail "column headings"
[ "$(grep -c '^| ' <<<"$out")" -eq 4 ] || fail "three rows and a heading"

out=$(printf 'select * from missing_table\n' | isql -b -v vdl-sample 2>&1 || true)
echo "$out"
grep -q '42S02' <<<"$out" || fail "missing table reported as 42S02"

# help: the tables, from SQLTables.
out=$(printf 'help\n' | isql -b -v vdl-sample)
echo "$out"
grep -Eq '^\| +\| +\| sensors +\| TABLE +\|' <<<"$out" || fail "help lists sensors as a TABLE"
grep -Eq '^\| +\| +\| trades +\| TABLE +\|' <<<"$out" || fail "help lists trades as a TABLE"
[ "$(grep -c '| TABLE ' <<<"$out")" -eq 2 ] || fail "help lists two tables"

# help TABLE: its columns, from SQLColumns, in table order with their types.
out=$(printf 'help trades\n' | isql -b -v vdl-sample)
echo "$out"
grep -q '| COLUMN_NAME' <<<"$out" || fail "help trades has its headings"
names=$(grep -E '^\| +\| +\| trades' <<<"$out" | awk -F'|' '{gsub(/ /, "", $5); gsub(/ /, "", $6); print $5 ":" $6}' | tr '\n' ' ')
[ "$names" = '$timestamp:93 sym:1 price:8 volume:-5 ' ] || fail "help trades lists its columns: $names"

out=$(printf 'help no_such_table\n' | isql -b -v vdl-sample 2>&1 || true)
echo "$out"
grep -q 'SQLRowCount returns -1' <<<"$out" || fail "help of an unknown table lists no columns"

echo "isql: all checks passed"
