#!/usr/bin/env bash
# The program as users get it: a `cmake --install` of BUILD under a prefix of its own and the
# Debian package unpacked into an empty root hold the standard layout and the same files; the
# package is hardened and names what it loads; the unpacked program goes through the checks.
# Usage (with a display and a sound server, e.g. under tools/with-session.sh):
#   run_installed_copies.sh BUILD PACKAGE.deb
set -euo pipefail
build=$1
deb=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
id=org.klonkel.Klonkel

work=$(mktemp -d /tmp/klonkel-install.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

check_layout() {
    local prefix=$1 f size
    for f in bin/klonkel share/klonkel/resources/Pellmor.png \
             share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
             share/icons/hicolor/scalable/apps/$id.svg share/man/man1/klonkel.1.gz \
             share/doc/klonkel/copyright share/doc/klonkel/changelog.gz; do
        compgen -G "$prefix/$f" >/dev/null || fail "$prefix/$f is missing"
    done
    for size in 16 24 32 48 64 128 256; do
        f=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
        [[ -f "$f" ]] || fail "$f is missing"
        # The PNG's own header must state the size its folder promises.
        [[ $(od -An -j16 -N8 -tx1 "$f" | tr -d ' \n') == "$(printf '%08x%08x' "$size" "$size")" ]] \
            || fail "$f is not $size x $size"
    done
    [[ $(find "$prefix/share/klonkel/resources" -name '*.m4a' | wc -l) -eq 264 ]] \
        || fail "$prefix does not hold the 264 clips"
    head -1 "$prefix/share/doc/klonkel/copyright" | grep -q '^Format: .*copyright-format/1.0' \
        || fail "$prefix/share/doc/klonkel/copyright is not the machine-readable one"
    grep -q '<project_license>GPL-3.0-or-later<' "$prefix/share/metainfo/$id.metainfo.xml" \
        || fail "the metadata does not give the licence"
    # Nothing may point back into the build or source tree.
    [[ -z $(find "$prefix" -type l) ]] || fail "$prefix holds symbolic links"
}

cmake --install "$build" --prefix "$work/prefix" >/dev/null
check_layout "$work/prefix"
[[ -f $work/prefix/share/doc/klonkel/LICENSE ]] || fail "a plain install lacks the licence text"

dpkg-deb -x "$deb" "$work/root"
check_layout "$work/root/usr"
# The same files either way, and the same data, but for the licence text, which Debian keeps in
# common-licenses; only the compiled ones differ, by their flags.
diff <(cd "$work/prefix" && find . -type f ! -path ./share/doc/klonkel/LICENSE | sort) \
     <(cd "$work/root/usr" && find . -type f | sort) || fail "the package and a plain install differ"
# Only the package's own tools put the copyright file and the changelog there: one copy each.
diff -r -x LICENSE "$work/prefix/share" "$work/root/usr/share" || fail "the package's data differ"

depends=$(dpkg-deb --field "$deb" Depends)
for needed in libqt6quick6 libfaad2 libpulse qml6-module-qtquick-templates qt6-qpa-plugins; do
    [[ $depends == *"$needed"* ]] || fail "the package does not depend on $needed: $depends"
done
[[ $(dpkg-deb --field "$deb" Recommends) == *qt6-wayland* ]] || fail "qt6-wayland is not recommended"
[[ $depends != *libav* && $depends != *libsw* ]] || fail "the package depends on FFmpeg: $depends"

# The distribution's hardening: PIE, stack protector, fortify, relro, now (no cf-protection yet).
hardening-check --quiet --nocfprotection "$work/root/usr/bin/klonkel" || fail "program not hardened"
# The C++ library's checks call out to it when they fail.
[[ $(readelf --dyn-syms -W "$work/root/usr/bin/klonkel") == *__glibcxx_assert_fail* ]] \
    || fail "built without the C++ library's assertions"

# What the installed layout decides: the first run (window, icons, translation, clips) and the
# robustness cases. The long passes and the scaled launches behave the same from any folder.
python3 "$here/app_checks.py" "$work/root/usr/bin/klonkel" first-run robustness
echo "PASS: $(basename "$deb") and a plain install"
