#!/usr/bin/env bash
# Builds and runs every test: bash scripts/test.sh [asan]
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
bash scripts/install-deps.sh
bash scripts/build.sh "$preset"
ctest --preset "$preset" --no-tests=error
