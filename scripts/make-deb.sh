#!/usr/bin/env bash
# Builds the binary Debian package from a configured and built tree:
#   scripts/make-deb.sh BUILD_DIR OUT_DIR
# It installs the tree as `make install` does (prefix /usr, stripped) into a staging folder,
# lays that out as Debian lays out games (the game in /usr/games, its data in
# /usr/share/games/terravik, the tools in /usr/bin), compresses the man pages and the
# changelog, swaps the bundled font for a link to the system's copy, takes the library
# dependencies from dpkg-shlibdeps and packs the result with dpkg-deb. Prints the .deb's path.
set -euo pipefail
build=$(cd "${1:?usage: make-deb.sh BUILD_DIR OUT_DIR}" && pwd)
mkdir -p "${2:?usage: make-deb.sh BUILD_DIR OUT_DIR}"
out=$(cd "$2" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)

version=$(sed -n 's/^project(terravik VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
[ -n "$version" ] || { echo "make-deb: no version in CMakeLists.txt" >&2; exit 1; }
arch=$(dpkg --print-architecture)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root

DESTDIR="$root" cmake --install "$build" --prefix /usr --strip >"$work/install.log" ||
    { cat "$work/install.log" >&2; exit 1; }

# Debian's layout for games.
mkdir -p "$root/usr/games" "$root/usr/share/games"
mv "$root/usr/bin/terravik" "$root/usr/games/terravik"
mv "$root/usr/share/terravik" "$root/usr/share/games/terravik"
# The font the captions fall back to is the system's own (the package depends on it).
data=$root/usr/share/games/terravik
rm -f "$data/fonts/DejaVuSans.ttf" "$data/fonts/LICENSE-DejaVu.txt"
ln -s ../../../../fonts/truetype/dejavu/DejaVuSans.ttf "$data/fonts/DejaVuSans.ttf"
# The licence is the system's common GPL 3 text, which the copyright file names.
doc=$root/usr/share/doc/terravik
rm -f "$doc/LICENSE"
sed "s/@VERSION@/$version-1/; s/@DATE@/$(date -R -d @"${SOURCE_DATE_EPOCH:-$(git -C "$src" log -1 --format=%ct 2>/dev/null || date +%s)}")/" \
    "$src/dist/debian/changelog.in" | gzip -9n >"$doc/changelog.Debian.gz"
find "$root/usr/share/man" -type f -name '*.[0-9]' -exec gzip -9n {} +

# Permissions as dpkg expects them: folders and programs 0755, everything else 0644.
find "$root" -type d -exec chmod 0755 {} +
find "$root" -type f -exec chmod 0644 {} +
chmod 0755 "$root/usr/games/terravik" "$root"/usr/bin/*

# The libraries the programs link, as package dependencies.
mkdir -p "$work/debian" "$root/DEBIAN"
printf 'Source: terravik\n\nPackage: terravik\nArchitecture: any\n' >"$work/debian/control"
depends=$(cd "$work" && dpkg-shlibdeps -O -e"root/usr/games/terravik" $(printf -- '-eroot/usr/bin/%s ' $(ls "$root/usr/bin")) |
    sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { echo "make-deb: dpkg-shlibdeps found no dependencies" >&2; exit 1; }
size=$(du -sk --apparent-size "$root/usr" | cut -f1)
sed -e "s/@VERSION@/$version-1/" -e "s/@ARCH@/$arch/" -e "s/@SIZE@/$size/" \
    -e "s/@DEPENDS@/$depends, fonts-dejavu-core/" "$src/dist/debian/control.in" >"$root/DEBIAN/control"
(cd "$root" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$root/DEBIAN/md5sums"
chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"

deb="$out/terravik_${version}-1_${arch}.deb"
dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
echo "$deb"
