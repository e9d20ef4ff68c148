#!/usr/bin/env bash
# Runs a cross-built test program under wine, for CTest:
#   wine-run.sh PREFIX DLL_DIRS PROGRAM [ARGUMENTS]...
# PREFIX is the wine prefix of the build's checks (made on first use, served by one wine server);
# DLL_DIRS, separated by ':', hold the DLLs the program needs (Qt's, the MinGW runtime).
set -euo pipefail
source "$(dirname "$0")/wine-prefix.sh"
serve_wine_prefix "$1"
dirs=()
IFS=: read -ra unix_dirs <<<"$2"
for dir in "${unix_dirs[@]}"; do dirs+=("Z:${dir//\//\\}"); done
export WINEPATH
WINEPATH=$(IFS=';' && echo "${dirs[*]}")
shift 2
wine_text "$@"
