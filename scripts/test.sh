#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once in a plain build and once
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build_root=${VDL_BUILD_ROOT:-$root/build}
jobs=$(nproc 2>/dev/null || echo 2)

bash "$root/scripts/setup.sh"

werror=OFF
if [ "${CI:-}" = "true" ] || [ "${VDL_WERROR:-}" = "ON" ]; then werror=ON; fi

echo "== plain build"
cmake -S "$root" -B "$build_root/plain" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVDL_WERROR="$werror" >/dev/null
cmake --build "$build_root/plain" -j"$jobs"
ctest --test-dir "$build_root/plain" --output-on-failure -j"$jobs"

echo "== sanitized build (AddressSanitizer + UndefinedBehaviorSanitizer)"
cmake -S "$root" -B "$build_root/sanitize" -DCMAKE_BUILD_TYPE=Debug -DVDL_SANITIZE=ON -DVDL_WERROR="$werror" >/dev/null
cmake --build "$build_root/sanitize" -j"$jobs"
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# Tests labelled "client" run programs built without the sanitizer runtime (python3, isql).
ctest --test-dir "$build_root/sanitize" --output-on-failure -j"$jobs" -LE client
