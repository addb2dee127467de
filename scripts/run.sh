#!/usr/bin/env bash
# Builds what is missing and starts Zandrel against the phone emulator, in the demo folder that
# holds the made-up sample files its tools upload (orfiles/) and the ring-fix seem file (seem/).
# The emulator's deleted files go to its own trash, apart from a real phone's.
#   bash scripts/run.sh                 the phone emulator
#   bash scripts/run.sh --phone usb     a real phone on USB (experimental: README.md, "Using a real
#                                       phone"); its libp2kapi.so wins over the emulator's through
#                                       LD_LIBRARY_PATH, so nothing is rebuilt to switch. It works
#                                       in the real phone's working folder, never in the demo's,
#                                       whose made-up files must not reach a phone
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
phone=emulator
args="$*"
while [ $# -gt 0 ]; do
  case "$1" in
    --phone) phone="${2:-}"; shift 2 || { echo "run.sh: --phone takes emulator or usb" >&2; exit 2; } ;;
    --phone=*) phone="${1#--phone=}"; shift ;;
    *) echo "run.sh: unknown argument '$1' (only --phone emulator|usb)" >&2; exit 2 ;;
  esac
done
case "$phone" in
  emulator | usb) ;;
  *) echo "run.sh: --phone takes emulator or usb, not '$phone'" >&2; exit 2 ;;
esac
bash "$root/scripts/install-deps.sh"
# Said before the build, which takes minutes on a fresh machine; install-deps.sh has installed
# xvfb for the line it names.
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "zandrel: no display. Start it from a desktop session, or under a virtual one:" >&2
  echo "  xvfb-run -a bash scripts/run.sh${args:+ $args}" >&2
  exit 1
fi
# Only the program and its phone libraries: the tests are the other command's business.
targets=(zandrel p2kapi)
[ "$phone" = usb ] && targets+=(p2kusb)
bash "$root/scripts/build.sh" default "${targets[@]}"
if [ "$phone" = usb ]; then
  usb_lib="$root/build/default/p2kusb"
  if [ ! -f "$usb_lib/libp2kapi.so" ]; then
    echo "run.sh: the real phone's library is missing: $usb_lib/libp2kapi.so" >&2
    exit 1
  fi
  echo "Phone: a real phone on USB, through $usb_lib/libp2kapi.so"
  export LD_LIBRARY_PATH="$usb_lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
else
  echo "Phone emulator folder: ${P2KEMU_ROOT:-${XDG_DATA_HOME:-$HOME/.local/share}/zandrel/phone}"
fi
if [ "$phone" = usb ]; then
  exec "$root/build/default/bin/zandrel" --work-folder
fi
cd "$root/demo"
exec "$root/build/default/bin/zandrel"
