#!/usr/bin/env bash
# Perl's DBI with DBD::ODBC (Debian libdbd-odbc-perl, /usr/bin/perl) through the unixODBC Driver
# Manager, on a store of its own.
set -euo pipefail

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$VDLSH" "file://$dir/store.db" --sample 20 >/dev/null
"$VDLSH" "file://$dir/store.db" -c "CREATE TABLE cpu_load (host STRING, load DOUBLE)" \
    -c "CREATE TABLE cpuxload (n INT64)" \
    -c "CREATE TABLE notes (k INT64, body STRING)" \
    -c "INSERT INTO notes (\$timestamp, k, body) VALUES (1, 1, 'a'), (2, 1, NULL), (3, 1, 'bc'), (4, 2, '$(printf 'x%.0s' {1..3000})'), (5, 2, NULL)" \
    >/dev/null
while IFS= read -r line; do export "$line"; done < <(bash "$PRIVATE_ODBC" "$dir" --data-home --driver vdl "$VDL_DRIVER_PATH" \
    --data-source vdl-perl Driver=vdl "uri=file://$dir/store.db" "logdir=$dir/log")
VDL_DSN=vdl-perl /usr/bin/perl "$(dirname "$0")/dbd_odbc_test.pl"
