#!/usr/bin/env bash
# Builds the Debian package with dpkg-buildpackage and the distribution's flags, from a copy of
# the source tree in a temporary folder: dpkg-buildpackage writes its results beside the source
# folder and its build files inside it, and neither should land in or beside the clone.
# Usage: tools/build-package.sh OUTDIR   (leaves the packages, .buildinfo and .changes there)
set -euo pipefail
[[ $# -eq 1 ]] || { echo "usage: $0 OUTDIR" >&2; exit 2; }
here=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
out=$(cd "$1" && pwd)

work=$(mktemp -d /tmp/klonkel-package.XXXXXX)
trap 'rm -rf "$work"' EXIT
src=$work/klonkel
mkdir "$src"
# The files git knows or would add, as they are now (uncommitted edits and deletions included);
# never build folders or other ignored files.
while IFS= read -r -d '' f; do
    if [[ -e $here/$f ]]; then printf '%s\0' "$f"; fi
done < <(git -C "$here" ls-files -z --cached --others --exclude-standard) |
    tar -C "$here" --null -T - -cf - | tar -C "$src" -xf -

# The tests run on the package's contents afterwards, with a display and a sound server.
DEB_BUILD_OPTIONS="nocheck parallel=$(nproc) ${DEB_BUILD_OPTIONS:-}"
export DEB_BUILD_OPTIONS
(cd "$src" && dpkg-buildpackage -us -uc -b)

rm -f "$out"/klonkel*_*.deb "$out"/klonkel_*.buildinfo "$out"/klonkel_*.changes
cp "$work"/klonkel*_*.deb "$work"/klonkel_*.buildinfo "$work"/klonkel_*.changes "$out"/
ls "$out"/klonkel_*.deb
