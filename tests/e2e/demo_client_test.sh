#!/usr/bin/env bash
# The demo's own pieces on a small store: a data source added through the driver's ConfigDSN by
# scripts/add_data_source.py, then scripts/demo_client.py (pyodbc and matplotlib) querying it.
set -euo pipefail

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)

"$VDLSH" "file://$dir/store.db" --sample 600 >/dev/null
while IFS= read -r line; do export "$line"; done < <(bash "$PRIVATE_ODBC" "$dir" --data-home --driver vdl_odbc_driver "$VDL_DRIVER_PATH")

/usr/bin/python3 "$scripts/add_data_source.py" vdl_odbc_driver DSN=demo-test "URI=file://$dir/store.db" "LOGDIR=$dir/log"
grep -qx "uri=file://$dir/store.db" "$dir/odbc.ini" || fail "the data source's uri: $(cat "$dir/odbc.ini")"
grep -qx "logdir=$dir/log" "$dir/odbc.ini" || fail "the data source's logdir"
[ -f "$dir/log/vdl_odbc_driver.log" ] || fail "ConfigDSN opens its log in the data source's logdir"

# A request the installer refuses: its error records, and status 1.
if out=$(/usr/bin/python3 "$scripts/add_data_source.py" no_such_driver DSN=x 2>&1); then fail "an unknown driver"; fi
grep -q '^error: [0-9]* - ' <<<"$out" || fail "the installer's error record: $out"
/usr/bin/python3 "$scripts/add_data_source.py" >/dev/null 2>&1 && fail "no arguments"

out=$(/usr/bin/python3 "$scripts/demo_client.py" demo-test "$dir/chart.png")
echo "$out"
grep -q '^connected to the data source demo-test: Vandrel ' <<<"$out" || fail "connected by DSN"
[ "$(grep -c '^  2021-01-01 ' <<<"$out")" -eq 5 ] || fail "five rows of the parameterised query"
for sym in aapl amzn goog ibm msft tsla; do
    grep -Eq "^  $sym +[0-9]+ +[0-9.]+ +[0-9.]+ +[0-9]+ *\$" <<<"$out" || fail "the aggregate of $sym"
done
grep -q '^  trades (TABLE)$' <<<"$out" || fail "cursor.tables()"
grep -q '^  price: DOUBLE$' <<<"$out" || fail "cursor.columns()"
grep -q "^A chart of price per symbol over time: $dir/chart.png\$" <<<"$out" || fail "the chart's path"
[ "$(head -c 8 "$dir/chart.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "the chart is a PNG"
! grep -q '^\[Error\]' "$dir/log/vdl_odbc_driver.log" || fail "error lines in the log: $(grep '^\[Error\]' "$dir/log/vdl_odbc_driver.log")"

echo "demo client: all checks passed"
