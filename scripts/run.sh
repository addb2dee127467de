#!/usr/bin/env bash
# Builds what is missing and starts Zandrel against the phone emulator, in the demo folder that
# holds the sample files its tools upload (orfiles/) and the ring-fix seem file (seem/).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
# Only the program and its phone library: the tests are the other command's business.
bash "$root/scripts/build.sh" default zandrel p2kapi
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "zandrel: no display. Start it from a desktop session, or under a virtual one:" >&2
  echo "  apt-get install xvfb && xvfb-run -a bash scripts/run.sh" >&2
  exit 1
fi
echo "Phone emulator folder: ${P2KEMU_ROOT:-${XDG_DATA_HOME:-$HOME/.local/share}/zandrel/phone}"
cd "$root/demo"
exec "$root/build/default/bin/zandrel"
