#!/usr/bin/env bash
# Installs the Debian packages Zandrel needs to build, test and run, when any is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev libjpeg62-turbo-dev
  libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  libusb-1.0-0-dev umockdev libumockdev-dev
  # The design font's stand-in is DejaVu Sans narrowed to stretch 80, which is its condensed
  # face (fonts-dejavu-extra); ui_resources_test measures it. fontconfig's fc-match finds the
  # face's file for install_tree_test.
  fonts-dejavu-core fonts-dejavu-extra fontconfig
  # Qt's own dialogs in Russian, which install_language_files_test checks
  qt6-translations-l10n
  # A virtual display for the run command on a machine without one: xvfb-run -a bash scripts/run.sh
  xvfb xauth
)
# --packaging: building the Debian package (CPack finds programs with `file`) and the checks of
# it, which drive the installed program on a virtual display. --with-display is what every run
# installs now, kept for older command lines.
for option in "$@"; do
  case $option in
    --with-display) ;;
    --packaging) packages+=(file dpkg-dev lintian desktop-file-utils appstream xdotool) ;;
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
