#!/bin/sh
# Installs the build into a temporary root and checks the tree: where every file lands, that the
# program finds its library by RUNPATH alone, and that the launcher starts it with the emulator.
#   check-installed-tree.sh BUILD_DIR
set -eu
build=$1
root=$(mktemp -d)
pid=
# The program writes its settings as it closes: the tree goes only once it has ended (or been
# made to, after five seconds), or it would be left showing the error box of a failed write.
stop_program() {
    [ -n "$pid" ] || return 0
    kill "$pid" 2>/dev/null || return 0
    tries=0
    while kill -0 "$pid" 2>/dev/null && [ $tries -lt 50 ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
    kill -9 "$pid" 2>/dev/null || true
}
trap 'stop_program; rm -rf "$root"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

DESTDIR="$root/dest" cmake --install "$build" --prefix /usr >/dev/null
usr="$root/dest/usr"
private="$usr/lib/zandrel"

for file in bin/zandrel lib/zandrel/zandrel lib/zandrel/libp2kapi.so lib/zandrel/rus.lng \
    lib/zandrel/eng.lng share/applications/org.example.zandrel.desktop \
    share/metainfo/org.example.zandrel.metainfo.xml share/man/man1/zandrel.1.gz \
    share/icons/hicolor/scalable/apps/org.example.zandrel.svg \
    share/zandrel/work-folder-README.txt share/zandrel/emulator-folder-README.txt \
    share/doc/zandrel/copyright share/mime/packages/org.example.zandrel.xml; do
    [ -f "$usr/$file" ] || fail "missing /usr/$file"
done
for size in 16 32 48 128; do
    png="$usr/share/icons/hicolor/${size}x$size/apps/org.example.zandrel.png"
    # A PNG's width and height are the big-endian words at bytes 16 and 20.
    actual=$(od -An -tu1 -j16 -N8 "$png" 2>/dev/null | awk '{print $3*256+$4 "x" $7*256+$8}')
    [ "$actual" = "${size}x$size" ] || fail "$png is '$actual', not ${size}x$size"
done
for program in bin/zandrel lib/zandrel/zandrel; do
    [ -x "$usr/$program" ] || fail "/usr/$program is not executable"
done
# Nothing may be writable by others in an installed tree.
writable=$(find "$root/dest" -perm -o+w ! -type l)
[ -z "$writable" ] || fail "writable by others: $writable"

# RUNPATH, not RPATH, so LD_LIBRARY_PATH (the --emulator switch) can still win over it.
readelf -d "$private/zandrel" | grep -q 'RUNPATH.*\[\$ORIGIN\]' || fail "no RUNPATH \$ORIGIN"
found=$(env -u LD_LIBRARY_PATH ldd "$private/zandrel" | awk '$1 == "libp2kapi.so" {print $3}')
[ "$found" = "$private/libp2kapi.so" ] || fail "libp2kapi.so resolves to '$found'"

# The launcher, started as the menu's emulator action starts it: the emulator's journal records
# P2K_Init, and the emulator's own working folder is made with every demo sample and a README.
export HOME="$root/home" XDG_DATA_HOME="$root/data" XDG_CONFIG_HOME="$root/config"
export XDG_RUNTIME_DIR="$root/run" P2KEMU_ROOT="$root/phone" QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
inits() {
    count=$(grep -c P2K_Init "$P2KEMU_ROOT/journal.log" 2>/dev/null) || true
    echo "${count:-0}"
}
start_emulator() {
    before=$(inits)
    "$usr/bin/zandrel" "$@" >"$root/out.log" 2>&1 &
    pid=$!
    tries=0
    until [ "$(inits)" -gt "$before" ] || [ $tries -ge 100 ]; do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
        tries=$((tries + 1))
    done
    [ "$(inits)" -gt "$before" ] ||
        fail "zandrel $* did not reach the emulator: $(cat "$root/out.log")"
    kill -0 "$pid" 2>/dev/null || fail "zandrel $* ended early: $(cat "$root/out.log")"
}
# Ends the program started last as a logout would, and waits for it (at most ten seconds).
end_program() {
    kill "$pid" 2>/dev/null || true
    (sleep 10; kill -9 "$pid" 2>/dev/null) >/dev/null 2>&1 &
    watchdog=$!
    wait "$pid" 2>/dev/null || true
    kill "$watchdog" 2>/dev/null || true
    pid=
}
start_emulator --emulator
source=$(cd "$(dirname "$0")/../.." && pwd)
emulator_work="$XDG_DATA_HOME/zandrel/emulator/work"
for item in orfiles seem README.txt; do
    [ -e "$emulator_work/$item" ] || fail "the emulator's working folder has no $item"
done
for sample in "$source"/demo/orfiles/* "$source"/demo/seem/*; do
    copy="$emulator_work/${sample#"$source"/demo/}"
    cmp -s "$sample" "$copy" || fail "the emulator's working folder has no sample ${sample#"$source"/demo/}"
done
[ ! -e "$XDG_DATA_HOME/zandrel/work" ] || fail "the emulator made the real phone's working folder"

# A second start hands its list to the running one and ends instead of running beside it.
printf '/a/x\r\n' >"$root/list.df"
status=0
timeout 30 "$usr/bin/zandrel" --emulator "$root/list.df" >"$root/second.log" 2>&1 || status=$?
grep -q "already running" "$root/second.log" && [ $status -eq 0 ] ||
    fail "a second start ended with $status: $(cat "$root/second.log")"
kill -0 "$pid" 2>/dev/null || fail "the first Zandrel ended when a second one started"

end_program

# The man page says where the files are and what the environment changes, and lets no path be
# hyphenated.
man="$usr/share/man/man1/zandrel.1.gz"
for section in FILES ENVIRONMENT 'SEE ALSO'; do
    zgrep -q "^\.SH $section\$" "$man" || fail "the man page has no $section"
done
zgrep -q '^\.nh' "$man" || fail "the man page may hyphenate paths"
for name in P2KUSB_LOG P2KEMU_ROOT p2kusb.conf rules.d; do
    zgrep -q "$name" "$man" || fail "the man page does not mention $name"
done
# The licence, the metainfo and the clean lists' file type.
sh "$source/tests/install/check-installed-metadata.sh" "$usr" "$source" ||
    failures=$((failures + $?))
# The face that stands in for the windows' font here (DejaVu Sans narrowed, when no nearer face
# is installed) comes from a package that the scripts install and the package depends on, so a
# fresh machine measures the same font as this one.
if command -v fc-match >/dev/null && command -v dpkg >/dev/null; then
    face=$(fc-match -f '%{file}' 'DejaVu Sans:width=80')
    owner=$(dpkg -S "$face" 2>/dev/null | cut -d: -f1)
    for file in scripts/install-deps.sh cmake/Package.cmake; do
        [ -z "$owner" ] || grep -qw -- "$owner" "$source/$file" ||
            fail "$file does not name $owner, which holds $face"
    done
fi

"$usr/bin/zandrel" --bogus >/dev/null 2>&1 && fail "an unknown option was accepted"

[ $failures -eq 0 ] && echo "installed tree: all checks passed"
exit $failures
