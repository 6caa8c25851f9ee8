#!/usr/bin/env bash
# Builds the Debian package of the build tree and unpacks it into a scratch
# folder (no root needed), for the installed-player tests.
#   package-fixture.sh BUILD_DIR SCRATCH
set -euo pipefail
build=$1 scratch=$2
rm -rf "$scratch"
mkdir -p "$scratch/root"
(cd "$build" && cpack -G DEB >/dev/null)
package=$(ls "$build"/package/kolmira_*_amd64.deb)
dpkg-deb -x "$package" "$scratch/root"
cp "$package" "$scratch/"
