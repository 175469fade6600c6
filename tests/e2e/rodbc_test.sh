#!/usr/bin/env bash
# R's RODBC (Debian r-cran-rodbc) through the unixODBC Driver Manager, on a sample store.
set -euo pipefail

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$VDLSH" "file://$dir/store.db" --sample 200 >/dev/null
while IFS= read -r line; do export "$line"; done < <(bash "$PRIVATE_ODBC" "$dir" --data-home --driver vdl "$VDL_DRIVER_PATH" \
    --data-source vdl-r Driver=vdl "uri=file://$dir/store.db" "logdir=$dir/log")
RODBC_DSN=vdl-r TZ=UTC /usr/bin/Rscript --vanilla "$(dirname "$0")/rodbc_test.R"
