#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest: once in the normal build and
# once under AddressSanitizer and UndefinedBehaviorSanitizer; then each fuzz target for a bounded
# time (RKT5_FUZZ_SECONDS), with one line of figures per target; then the Windows release is made
# (Qt for Windows built once, into a cache outside the clone) and its unit tests and programs run
# under wine.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh --tests

jobs=$(nproc)
for preset in default sanitize fuzz; do
    echo "== $preset build"
    cmake --preset "$preset" -DBUILD_TESTING=ON >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    echo "== $preset tests"
    ctest --preset "$preset" -j "$jobs"
done
grep -h 'Fuzzer: ' build/fuzz/Testing/Temporary/LastTest.log

echo "== windows build"
./scripts/build-windows.sh --tests build/default
echo "== windows tests (wine)"
ctest --test-dir build/windows -j "$jobs" --output-on-failure
