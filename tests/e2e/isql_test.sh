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

echo "isql: all checks passed"
