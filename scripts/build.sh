#!/usr/bin/env bash
# Configures and builds one preset ("default" unless named), all of it or the targets named:
#   bash scripts/build.sh [preset] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
shift || true
[ -f "build/$preset/build.ninja" ] || cmake --preset "$preset"
if [ $# -gt 0 ]; then
  cmake --build --preset "$preset" --target "$@"
else
  cmake --build --preset "$preset"
fi
