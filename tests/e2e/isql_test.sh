#!/usr/bin/env bash
# unixODBC's isql against the driver: a data source from a private odbc.ini and a sample store.
set -euo pipefail

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$VDLSH" "file://$dir/store.db" --sample 20 >/dev/null
while IFS= read -r line; do export "$line"; done < <(bash "$PRIVATE_ODBC" "$dir" --data-home --driver vdl "$VDL_DRIVER_PATH" \
    --data-source vdl-sample Driver=vdl "uri=file://$dir/store.db" "logdir=$dir/log")

fail() { echo "FAIL: $*"; exit 1; }

# expect NAME STATEMENT ISQL_OPTIONS...: isql in batch mode with the statement on its standard
# input, its output (errors included) compared with tests/expected/isql/NAME.txt;
# VDL_UPDATE_EXPECTED=1 writes the file instead.
expect() {
    local name=$1 statement=$2
    shift 2
    local file=$EXPECTED/isql/$name.txt out
    out=$(printf '%s\n' "$statement" | isql "$@" 2>&1 || true)
    if [ "${VDL_UPDATE_EXPECTED:-}" = 1 ]; then
        printf '%s\n' "$out" >"$file"
        return
    fi
    if [ "$out" != "$(cat "$file")" ]; then
        diff "$file" <(printf '%s\n' "$out")
        fail "isql $* <<< '$statement' differs from $file"
    fi
    echo "isql: $name as expected"
}

# Connecting by data source, with isql's banner; a data source that does not exist.
expect connected quit -v vdl-sample
expect no_such_data_source quit -v no-such-source
# Results as a grid and, with -d and -c, delimited with the column names on the first line.
expect count "select count(*) as n from trades" -b -v vdl-sample
expect grid "select sym, price, volume from trades where sym is not null and price is not null and volume is not null order by \$timestamp limit 4" -b vdl-sample
expect delimited "select \$timestamp, sym, price, volume from trades order by \$timestamp limit 8" -b -d, -c vdl-sample
expect aggregate "select sym, count(*) as n, min(price) as low, max(price) as high from trades where sym is not null group by sym order by sym" -b -d'|' -c vdl-sample
expect empty "select sym from trades where sym = 'none'" -b -d, -c vdl-sample
# Errors: the driver's SQLSTATE and message, as isql -v shows them.
expect missing_table "select * from missing_table" -b -v vdl-sample
expect bad_column "select nope from trades" -b -v vdl-sample
# help and help TABLE: SQLTables and SQLColumns.
expect tables help -b -d, -c vdl-sample
expect columns "help trades" -b -d'|' -c vdl-sample
expect no_columns "help no_such_table" -b -v -d, -c vdl-sample

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
