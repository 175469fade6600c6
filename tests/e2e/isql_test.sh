#!/usr/bin/env bash
# unixODBC's isql against the driver: a data source from a private odbc.ini and a sample store.
set -euo pipefail

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$VDLSH" "file://$dir/store.db" --sample 20 >/dev/null
while IFS= read -r line; do export "$line"; done < <(bash "$PRIVATE_ODBC" "$dir" --data-home --driver vdl "$VDL_DRIVER_PATH" \
    --data-source vdl-sample Driver=vdl "uri=file://$dir/store.db" "logdir=$dir/log")

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

# iusql, the Unicode isql, reads every column as SQL_C_WCHAR and prints each UTF-16 code unit as
# one byte (its low byte). Its grid must show what isql's does: the same headings, values and NULLs,
# with each character of isql's UTF-8 output turned into those bytes. Cell padding and the empty
# lines iusql adds are left out of the comparison.
"$VDLSH" "file://$dir/store.db" -c "CREATE TABLE cities (name STRING, n INT64)" >/dev/null
"$VDLSH" "file://$dir/store.db" -c "INSERT INTO cities (\$timestamp, name, n) VALUES (1, 'Zürich 東京 🚀', 1), (2, NULL, 2), (3, 'plain', 3), (4, '', 4)" >/dev/null
grid() {
  /usr/bin/python3 -c '
import sys
wide = sys.argv[1] == "wide"
data = sys.stdin.buffer.read()
if not wide:
    data = bytes(data.decode("utf-8").encode("utf-16-le")[0::2])
for line in data.split(b"\n"):
    if line.strip():
        print(b"|".join(cell.rstrip() for cell in line.split(b"|")).decode("latin-1"))
' "$1"
}
for q in "select sym, price, volume from trades order by \$timestamp limit 6" \
         "select \$timestamp, sym as symbol from trades order by \$timestamp limit 3" \
         "select name, n from cities order by \$timestamp"; do
  for opt in -v -c; do
    narrow=$(printf '%s\n' "$q" | isql -b $opt vdl-sample | grid narrow)
    wide=$(printf '%s\n' "$q" | iusql -b $opt vdl-sample | grid wide)
    echo "$wide"
    [ "$narrow" = "$wide" ] || { diff <(echo "$narrow") <(echo "$wide"); fail "iusql $opt differs from isql: $q"; }
  done
done
out=$(printf 'select name from cities where n = 1\n' | iusql -b vdl-sample)
grep -q "$(printf 'Z\xfcrich q\xac =\x80')" <<<"$out" || fail "the UTF-16 of a non-ASCII value"
out=$(printf 'select * from missing_table\n' | iusql -b -v vdl-sample 2>&1 || true)
grep -q '42S02' <<<"$out" || fail "iusql: missing table reported as 42S02"

echo "isql: all checks passed"
