#!/usr/bin/env bash
# Puts Wine's own Marlett font into a prefix, so title bars draw their
# minimise, maximise and close glyphs rather than the letters "0 1 r" of the
# font that stands in for it. Debian ships the font in fonts-wine, which is
# not installed with wine: the font is taken from the installed package when
# there is one, else from the package file fetched once into CACHE (apt-get
# download; nothing is installed on the machine, so other prefixes keep the
# fonts they have).
#
#   marlett.sh PREFIX CACHE
set -u
prefix=${1:?usage: marlett.sh PREFIX CACHE}
cache=${2:?}
font=/usr/share/wine/fonts/marlett.ttf
target=$prefix/drive_c/windows/Fonts/marlett.ttf
[ -s "$target" ] && exit 0
if [ ! -s "$font" ]; then
    font=$cache/usr/share/wine/fonts/marlett.ttf
    if [ ! -s "$font" ]; then
        mkdir -p "$cache"
        (cd "$cache" && rm -f fonts-wine_*.deb && timeout 120 apt-get download -q fonts-wine >/dev/null 2>&1) &&
            dpkg-deb -x "$cache"/fonts-wine_*.deb "$cache" ||
            { echo "marlett.sh: could not fetch fonts-wine; title bars keep letters for their buttons" >&2; exit 1; }
    fi
fi
mkdir -p "$(dirname "$target")"
cp "$font" "$target"
