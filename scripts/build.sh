#!/usr/bin/env bash
# Configures and builds one preset ("default" unless named): bash scripts/build.sh [asan]
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
[ -f "build/$preset/build.ninja" ] || cmake --preset "$preset"
cmake --build --preset "$preset"
