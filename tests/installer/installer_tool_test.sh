#!/usr/bin/env bash
# vdl_odbc_installer on a private ODBC configuration: argument errors and the usage text,
# install and remove with their usage counts (checked with odbcinst), failed requests with
# their installer error records.
set -uo pipefail

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
# An empty configuration of its own: the tool adds the driver to it.
while IFS= read -r line; do export "$line"; done < <(bash "$PRIVATE_ODBC" "$dir")
usage=$(cat "$EXPECTED/installer_usage.txt")
failures=0

# check NAME EXPECTED_STATUS EXPECTED_OUTPUT -- ARGS...: runs the tool, compares exactly.
check() {
    local name=$1 status=$2 expected=$3
    shift 4
    local out rc
    out=$("$INSTALLER" "$@")
    rc=$?
    if [ "$rc" -ne "$status" ] || [ "$out" != "$expected" ]; then
        echo "FAIL: $name (status $rc, expected $status)"
        diff <(echo "$expected") <(echo "$out")
        failures=$((failures + 1))
    fi
}

check "no arguments" 255 "$usage" --
check "help ignores what follows" 0 "$usage" -- --help --remove x
check "command in capitals" 255 "$usage" -- --INSTALL vdl "$DRIVER"
check "install without a path" 255 "expecting 3 parameters got 2
$usage" -- --install vdl_odbc_driver
check "install with too much" 255 "expecting 3 parameters got 4
$usage" -- --install a b c
check "remove alone" 255 "expecting 2 parameters got 1
$usage" -- --remove

installed="Installing driver 'vdl_odbc_driver' with library '$DRIVER'.
Driver 'vdl_odbc_driver' successfully installed in '$dir'."
check "install" 0 "$installed
Usage count: 1" -- --install vdl_odbc_driver "$DRIVER"
check "second install" 0 "$installed
Usage count: 2" -- --install vdl_odbc_driver "$DRIVER"
drivers=$(odbcinst -q -d)
[ "$drivers" = "[vdl_odbc_driver]" ] || { echo "FAIL: odbcinst -q -d: $drivers"; failures=$((failures + 1)); }
keys=$(odbcinst -q -d -n vdl_odbc_driver)
expected_keys="[vdl_odbc_driver]
Description=Vandrel ODBC Driver
Driver=$DRIVER
Setup=$DRIVER
APILevel=1
ConnectFunctions=YYY
DriverODBCVer=03.80
FileUsage=0
SQLLevel=1
UsageCount=2"
if [ "$keys" != "$expected_keys" ]; then
    echo "FAIL: driver keys"
    diff <(echo "$expected_keys") <(echo "$keys")
    failures=$((failures + 1))
fi

check "remove" 0 "Driver 'vdl_odbc_driver' successfully removed.
Usage count: 1" -- --remove vdl_odbc_driver
check "last remove" 0 "Driver 'vdl_odbc_driver' successfully removed.
Usage count: 0" -- --remove vdl_odbc_driver
drivers=$(odbcinst -q -d 2>&1)
if grep -q vdl_odbc_driver <<<"$drivers" "$dir/odbcinst.ini"; then
    echo "FAIL: still registered after the last remove: $drivers"
    failures=$((failures + 1))
fi

check "failed remove" 255 "something went wrong while removing driver 
error: 7 - Invalid driver or translator name" -- --remove ""

# Ten records of 300-byte messages: eight are printed, each cut to 255 bytes.
records=""
for n in 1 2 3 4 5 6 7 8; do
    records+="error: $((100 + n)) - $n$(printf 'm%.0s' $(seq 254))
"
done
LD_LIBRARY_PATH=$FAILING_ODBCINST check "failed install, long records" 255 "Installing driver 'x' with library '/x.so'.
${records%$'\n'}" -- --install x /x.so
LD_LIBRARY_PATH=$FAILING_ODBCINST check "failed remove, long records" 255 "something went wrong while removing driver x
${records%$'\n'}" -- --remove x

# An installer library without the functions: the requests fail, no error records.
LD_LIBRARY_PATH=$EMPTY_ODBCINST check "no install function" 255 \
    "Installing driver 'x' with library '/x.so'." -- --install x /x.so
LD_LIBRARY_PATH=$EMPTY_ODBCINST check "no remove function" 255 \
    "something went wrong while removing driver x" -- --remove x

[ "$failures" -eq 0 ] && echo "installer tool: all checks passed"
exit "$failures"
