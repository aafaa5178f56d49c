#!/usr/bin/env bash
# Installs the built program the two ways users get it, `cmake --install` under two unrelated
# prefixes and the Debian package unpacked into an empty root, checks the standard layout and
# runs each copy end to end from where it landed: no copy may need the build or source tree.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
id=org.klonkel.Klonkel

work=$(mktemp -d /tmp/klonkel-install.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

check_layout() {
    local prefix=$1
    local f
    for f in bin/klonkel share/klonkel/resources/Pellmor.png share/klonkel/resources/Fett.m4a \
             share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
             share/icons/hicolor/scalable/apps/$id.svg share/man/man1/klonkel.1.gz \
             share/doc/klonkel/copyright share/doc/klonkel/changelog.gz; do
        [[ -f "$prefix/$f" ]] || fail "$prefix/$f is missing"
    done
    # The decoder module lives in the library folder, multiarch or not.
    compgen -G "$prefix/lib/klonkel/klonkel-clip-decoder.so" >/dev/null \
        || compgen -G "$prefix/lib/*/klonkel/klonkel-clip-decoder.so" >/dev/null \
        || fail "$prefix has no lib/klonkel/klonkel-clip-decoder.so"
    for size in 16 24 32 48 64 128 256; do
        f=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
        [[ -f "$f" ]] || fail "$f is missing"
        # The PNG's own header must state the size its folder promises.
        [[ $(od -An -j16 -N8 -tx1 "$f" | tr -d ' \n') == "$(printf '%08x%08x' "$size" "$size")" ]] \
            || fail "$f is not $size x $size"
    done
    local clips
    clips=$(find "$prefix/share/klonkel/resources" -name '*.m4a' | wc -l)
    [[ $clips -eq 264 ]] || fail "$prefix holds $clips clips"
    # Nothing is left that points back into the build or source tree.
    ! find "$prefix" -type l | grep -q . || fail "$prefix holds symbolic links"
}

# Two prefixes at different depths: the program finds its resources relative to itself.
for prefix in "$work/one" "$work/two/opt/klonkel"; do
    cmake --install "$build" --prefix "$prefix" >/dev/null
    check_layout "$prefix"
    "$here/run_klonkel_end_to_end.sh" "$prefix/bin/klonkel"
done

# The package, made from this build and unpacked where nothing else is.
(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/package" >/dev/null)
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")/\1/p' "$build/CPackConfig.cmake")
deb=$work/package/klonkel_${version}_$(dpkg --print-architecture).deb
[[ -f "$deb" ]] || fail "cpack made no $(basename "$deb"): $(ls "$work/package")"
depends=$(dpkg-deb --field "$deb" Depends)
for needed in libqt6multimedia6 libqt6quick6 libavcodec qml6-module-qtquick-shapes \
              qt6-qpa-plugins; do
    [[ "$depends" == *"$needed"* ]] || fail "the package does not depend on $needed: $depends"
done
dpkg-deb -x "$deb" "$work/root"
check_layout "$work/root/usr"
"$here/run_klonkel_end_to_end.sh" "$work/root/usr/bin/klonkel"
echo "PASS: installed copies under two prefixes and from $(basename "$deb")"
