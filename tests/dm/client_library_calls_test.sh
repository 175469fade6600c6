#!/usr/bin/env bash
# The driver library calls the client library only through the calls every build of that
# library offers: any other vdl_ symbol it needs would keep it from loading against another
# build. Each call of the list must also be used, so that the list stays the true one.
set -euo pipefail

used=$(nm -D --undefined-only "$DRIVER" | awk '{print $NF}' | sed 's/@.*//' | grep '^vdl_' | sort -u)
if ! diff <(printf '%s\n' "$used") "$EXPECTED/client_library_calls.txt"; then
    echo "the driver's client library calls differ from $EXPECTED/client_library_calls.txt (< used, > listed)"
    exit 1
fi
echo "the driver uses exactly the $(wc -l <"$EXPECTED/client_library_calls.txt") listed client library calls"
