#!/bin/sh
# What an installed tree tells the desktop and the distribution: the licence, the same in every
# place that names it; the metainfo, valid and with notes for every version; the clean lists'
# file type, its icon and the desktop entry that opens it.
#   check-installed-metadata.sh USR_DIR SOURCE_DIR
# Prints one FAIL line for each fault and exits with their number.
set -eu
usr=$1
source=$2
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
id=org.example.zandrel
metainfo="$usr/share/metainfo/$id.metainfo.xml"
desktop="$usr/share/applications/$id.desktop"
copyright="$usr/share/doc/zandrel/copyright"
man="$usr/share/man/man1/zandrel.1.gz"
type=application/x-zandrel-clean-list

# The licence: the full text in the sources, Debian's GPL-3+ in the copyright file pointing at
# the text every Debian system has, and its SPDX name in the metainfo, the man page and the
# About box.
spdx=GPL-3.0-or-later
cmp -s "$source/LICENSE" /usr/share/common-licenses/GPL-3 ||
    fail "LICENSE is not the GPL's version 3 text"
[ "$(sed -n 's/^License: *//p' "$copyright" | sort -u)" = "GPL-3+" ] ||
    fail "the copyright file names a licence other than GPL-3+ alone"
grep -q '^ version 3 can be found in "/usr/share/common-licenses/GPL-3"' "$copyright" ||
    fail "the copyright file does not point at /usr/share/common-licenses/GPL-3"
grep -q "<project_license>$spdx</project_license>" "$metainfo" || fail "the metainfo's licence is not $spdx"
zgrep -q "^License $spdx:" "$man" || fail "the man page does not name $spdx"
grep -q "License: $spdx" "$source/src/ui/windows/Unit3.cpp" || fail "the About box does not name $spdx"
if grep -rqi 'not.yet.chosen' "$usr/share" "$source/data" 2>/dev/null; then
    fail "a file still says the licence is not chosen"
fi

# AppStream: valid without the network (with it, only links would be followed, and it has
# none that leads nowhere), no placeholder address, and a release with notes for every version
# of the Debian changelog, the newest being the one installed.
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net --pedantic "$metainfo" >/dev/null 2>&1 ||
        fail "appstreamcli: $(appstreamcli validate --no-net --pedantic "$metainfo" 2>&1)"
else
    fail "appstreamcli is missing: bash scripts/install-deps.sh"
fi
grep -Eq 'https?://[^<"]*example\.' "$metainfo" && fail "the metainfo links to a placeholder address"
for word in backup 'Deleted files' USB; do
    grep -q "$word" "$metainfo" || fail "the metainfo's description says nothing of '$word'"
done
versions=$(zcat "$usr/share/doc/zandrel/changelog.gz" | sed -n 's/^zandrel (\([^)]*\)).*/\1/p')
[ -n "$versions" ] || fail "the changelog names no version"
for version in $versions; do
    # The release element of that version, up to its end, must hold a description.
    notes=$(sed -n "/<release version=\"$version\"/,/<\/release>/p" "$metainfo" | grep -c '<description>' || true)
    [ "$notes" = 1 ] || fail "the metainfo has no release notes for version $version"
done
installed=$("$usr/bin/zandrel" --version | sed 's/^zandrel //')
[ "$(echo "$versions" | head -n 1)" = "$installed" ] ||
    fail "the changelog's newest version is not the installed $installed"

# The clean lists' file type: a valid shared-mime-info package that maps *.df to it, its icon
# in the hicolor theme, and the desktop entry that opens such a file and says so.
[ -f "$usr/share/icons/hicolor/scalable/mimetypes/$(echo "$type" | tr / -).svg" ] ||
    fail "no icon for $type"
if command -v update-mime-database >/dev/null; then
    # A data folder of its own, searched, so that the tool says nothing but what is wrong.
    share=$(mktemp -d)
    mime="$share/mime"
    mkdir -p "$mime/packages"
    cp "$usr/share/mime/packages/$id.xml" "$mime/packages/"
    XDG_DATA_HOME="$share" XDG_DATA_DIRS="$share" update-mime-database "$mime" 2>"$share/log" &&
        [ ! -s "$share/log" ] || fail "update-mime-database: $(cat "$share/log")"
    grep -q "^[0-9]*:$type:\*\.df$" "$mime/globs2" 2>/dev/null || fail "*.df is not $type"
    [ -f "$mime/$type.xml" ] || fail "the MIME database has no $type"
    rm -rf "$share"
else
    fail "update-mime-database is missing: bash scripts/install-deps.sh"
fi
grep -q "^MimeType=$type;\$" "$desktop" || fail "the desktop entry does not open $type"
grep -q '^Exec=zandrel .*%f$' "$desktop" || fail "the desktop entry's Exec takes no file"
grep -q "<mediatype>$type</mediatype>" "$metainfo" || fail "the metainfo does not provide $type"
exit $failures
