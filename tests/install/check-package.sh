#!/usr/bin/env bash
# Checks a built Zandrel package: bash tests/install/check-package.sh PACKAGE.deb
#  1. desktop-file-validate and appstreamcli on the files it carries;
#  2. lintian: errors, and warnings not accepted in lintian-accepted.txt, fail;
#  3. as root only: installs it, checks that the desktop knows the clean lists' file type,
#     starts it from its desktop entry as an unprivileged user on a virtual display, switches
#     the language through the menu, and checks that the setting went to the user's config
#     folder and that the next start reads it. The package is purged after.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
deb="$(readlink -f "$1")"
work=$(mktemp -d)
xvfb_pid=
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

dpkg-deb -x "$deb" "$work/tree"
desktop-file-validate "$work"/tree/usr/share/applications/*.desktop
# Without the network and with it: the second follows every link the metainfo gives.
appstreamcli validate --no-net --pedantic "$work"/tree/usr/share/metainfo/*.metainfo.xml
appstreamcli validate --pedantic "$work"/tree/usr/share/metainfo/*.metainfo.xml
echo "desktop entry and metainfo: valid"

lintian --fail-on error,warning --suppress-tags-from-file "$here/lintian-accepted.txt" \
  --display-info "$deb"
echo "lintian: no error and no warning beyond the accepted ones"

if [ "$(id -u)" -ne 0 ]; then
  echo "Not root: the package was not installed and started."
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
apt-get install -y --no-install-recommends -o DPkg::Lock::Timeout=600 "$deb" >/dev/null
trap 'apt-get purge -y -o DPkg::Lock::Timeout=600 zandrel >/dev/null || true; cleanup' EXIT
desktop=/usr/share/applications/org.example.zandrel.desktop
# The triggers of shared-mime-info and desktop-file-utils took in the clean lists' file type:
# what xdg-open and file managers read says *.df is Zandrel's to open.
type=application/x-zandrel-clean-list
grep -q "^[0-9]*:$type:\*\.df$" /usr/share/mime/globs2 ||
  { echo "FAIL: the MIME database does not know *.df" >&2; exit 1; }
grep -q "^$type=.*org\.example\.zandrel\.desktop" /usr/share/applications/mimeinfo.cache ||
  { echo "FAIL: no desktop entry opens $type" >&2; exit 1; }
launch=$(sed -n 's/^Exec=//p' "$desktop" | tail -1) # the emulator's action: no phone here

# An unprivileged user with a home of their own, on a display that lets anyone draw.
chmod 755 "$work"
home="$work/home"
mkdir -p "$home"
chown nobody:nogroup "$home"
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -ac 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
as_user() {
  setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env -i HOME="$home" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin "$@"
}

# Starts the menu's command, waits for the main window and prints its id.
start() {
  as_user sh -c "$launch" >"$work/zandrel.log" 2>&1 &
  timeout 20 xdotool search --sync --limit 1 --name '^Zandrel$' ||
    { echo "FAIL: no Zandrel window: $(cat "$work/zandrel.log")" >&2; exit 1; }
}

# Closes the main window with File > Exit's key, F12, and waits for the program to end.
finish() {
  xdotool mousemove --window "$1" 200 200 click 1 key F12
  for _ in $(seq 50); do pgrep -u nobody -x zandrel >/dev/null || return 0; sleep 0.1; done
  echo "FAIL: zandrel did not end on F12: $(cat "$work/zandrel.log")" >&2
  exit 1
}

settings="$home/.config/zandrel/Zandrel.ini"
window=$(start)
emulator_work="$home/.local/share/zandrel/emulator/work"
[ -d "$emulator_work/orfiles" ] || { echo "FAIL: no working folder" >&2; exit 1; }
# The emulator's action can try every tool: the package's sample files are in its own working
# folder, never in the real phone's.
for sample in /usr/share/zandrel/orfiles/* /usr/share/zandrel/seem/*; do
  cmp -s "$sample" "$emulator_work/${sample#/usr/share/zandrel/}" ||
    { echo "FAIL: the working folder lacks the sample $sample" >&2; exit 1; }
done
[ ! -e "$home/.local/share/zandrel/work" ] || { echo "FAIL: the emulator made the phone's folder" >&2; exit 1; }
# The language menu is the fourth of the menu bar; its only item picks English.
xdotool mousemove --window "$window" 230 8 click 1 sleep 0.3 mousemove --window "$window" 250 28 click 1
finish "$window"
grep -q '^Language=English' "$settings" || { echo "FAIL: $settings: $(cat "$settings" 2>&1)" >&2; exit 1; }
[ ! -e /usr/lib/zandrel/Zandrel.ini ] || { echo "FAIL: wrote into the program folder" >&2; exit 1; }

# The next start reads the setting back: leaving at once writes English again.
window=$(start)
finish "$window"
grep -q '^Language=English' "$settings" || { echo "FAIL: the next start lost English" >&2; exit 1; }
echo "installed package: started from its menu entry, language kept in $settings"
