#!/usr/bin/env bash
# Builds the Debian package into build/package/: bash scripts/package.sh [--check]
# --check then validates it (lintian, desktop-file-validate, appstreamcli) and, as root, installs
# it on this machine and drives the installed program (tests/install/check-package.sh).
# ZANDREL_WERROR=ON in the environment makes every compiler warning an error, as CI has it.
set -euo pipefail
cd "$(dirname "$0")/.."
check=no
case "${1:-}" in
  --check) check=yes ;;
  "") ;;
  *) echo "Usage: bash scripts/package.sh [--check]" >&2; exit 2 ;;
esac
# Only what building the package takes (and checking it, with --check); not the tests' tools.
if [ "$check" = yes ]; then
  bash scripts/install-deps.sh --package-check
else
  bash scripts/install-deps.sh --packaging
fi

build=build/package
# Compiled with Debian's own hardening flags, as a package built by Debian's tools would be.
# Build type None adds no flags of its own to them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
eval "$(dpkg-buildflags --export=sh)"
export CFLAGS="$CFLAGS $CPPFLAGS" CXXFLAGS="$CXXFLAGS $CPPFLAGS"
cmake -S . -B "$build" -G Ninja --fresh -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
  -DZANDREL_BUILD_TESTS=OFF -DZANDREL_BUILD_BENCH=OFF -DZANDREL_WERROR="${ZANDREL_WERROR:-OFF}" \
  >/dev/null
cmake --build "$build" -j2
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/*.deb)
echo "Package: $deb"
[ "$check" = yes ] && bash tests/install/check-package.sh "$deb"
exit 0
