#!/usr/bin/env bash
# Installs the Debian packages Zandrel needs, when any is missing:
#   bash scripts/install-deps.sh                    building, testing and running it
#   bash scripts/install-deps.sh --packaging        building its Debian package, nothing more
#   bash scripts/install-deps.sh --package-check    that, and checking the package as CI does
set -euo pipefail

# What the program itself is built from.
build=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev libjpeg62-turbo-dev libusb-1.0-0-dev
  # The backups' SHA-256 checksums
  nettle-dev
)
tests=(
  libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  umockdev libumockdev-dev
  # The design font's stand-in is DejaVu Sans narrowed to stretch 80, which is its condensed
  # face (fonts-dejavu-extra); ui_resources_test measures it. fontconfig's fc-match finds the
  # face's file for install_tree_test.
  fonts-dejavu-core fonts-dejavu-extra fontconfig
  # Qt's own dialogs in Russian, which install_language_files_test checks
  qt6-translations-l10n
  # install_tree_test validates the installed metainfo and the clean lists' file type
  appstream shared-mime-info
  # A virtual display for the run command on a machine without one: xvfb-run -a bash scripts/run.sh
  xvfb xauth
)
# CPack finds the programs among the installed files with `file`; dpkg-shlibdeps (dpkg-dev)
# names the libraries they need.
packaging=(file dpkg-dev)
# tests/install/check-package.sh: the validators, and what drives the installed program on a
# virtual display as an unprivileged user (pgrep is procps's). Installing the package brings
# shared-mime-info and desktop-file-utils' triggers, whose databases it checks.
package_check=(lintian desktop-file-utils appstream shared-mime-info xvfb xdotool procps)

packages=("${build[@]}" "${tests[@]}")
# --with-display is what every run of the first form installs now, kept for older command lines.
for option in "$@"; do
  case $option in
    --with-display) ;;
    --packaging) packages=("${build[@]}" "${packaging[@]}") ;;
    --package-check) packages=("${build[@]}" "${packaging[@]}" "${package_check[@]}") ;;
    *) echo "install-deps.sh: unknown option $option" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing Debian packages: ${missing[*]}" >&2
  echo "Run this script as root, or install them with: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y --no-install-recommends "${missing[@]}"
