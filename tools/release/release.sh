#!/usr/bin/env bash
# Builds a release from the checked-out commit into DIST (default ROOT/dist):
#   norvale-VERSION-win32.zip    norvale.exe, README.txt, LICENSE.txt
#   norvale-VERSION-win32.msi    the per-machine Windows Installer package
#   winget/Orrin.Norvale/VERSION/ the winget manifests naming the MSI
#   SHA256SUMS                   over all of the above
# and the debug file beside DIST, in norvale-VERSION-debug/norvale.exe.debug.
#
#   release.sh [--sign CERT KEY] [--url BASE]
#
# CERT and KEY (PEM; or NORVALE_SIGN_CERT and NORVALE_SIGN_KEY, with
# NORVALE_SIGN_PASSWORD for an encrypted key) Authenticode-sign the exe and
# the MSI with SHA-256; without them the release is unsigned and says so.
# BASE (or NORVALE_RELEASE_URL) is where the MSI will be downloaded from,
# for the winget manifest. NORVALE_DIST_DIR and NORVALE_RELEASE_BUILD_DIR
# move the output and the build tree.
#
# The exe and the zip are byte-identical for every build of one commit: the
# build tree is made afresh, nothing carries a build time or a build path, the
# signing time is the commit's time, and the zip's entries are sorted with
# fixed times and modes.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
die() { printf 'release: %s\n' "$*" >&2; exit 2; }
say() { printf '%s\n' "$*"; }

cert=${NORVALE_SIGN_CERT:-}
key=${NORVALE_SIGN_KEY:-}
base_url=${NORVALE_RELEASE_URL:-}
while [ $# -gt 0 ]; do
    case "$1" in
        --sign) [ $# -ge 3 ] || die "--sign needs a certificate and a key"; cert=$2 key=$3; shift 3 ;;
        --url) [ $# -ge 2 ] || die "--url needs a base address"; base_url=$2; shift 2 ;;
        *) die "unknown argument: $1 (release.sh [--sign CERT KEY] [--url BASE])" ;;
    esac
done
if [ -n "$cert" ] || [ -n "$key" ]; then
    [ -r "$cert" ] || die "cannot read the certificate: $cert"
    [ -r "$key" ] || die "cannot read the key: $key"
    cert=$(realpath "$cert") key=$(realpath "$key")
fi
placeholder_url=0
if [ -z "$base_url" ]; then
    base_url=https://downloads.example.invalid/norvale
    placeholder_url=1
fi
case "$base_url" in https://*|http://*) ;; *) die "--url must be an http(s) address: $base_url" ;; esac
base_url=${base_url%/}

for tool in git cmake python3 wixl msiinfo; do
    command -v "$tool" >/dev/null || die "$tool is missing (./norvale setup installs it)"
done
[ -z "$cert" ] || command -v osslsigncode >/dev/null || die "osslsigncode is missing (./norvale setup installs it)"

# --- the commit ---------------------------------------------------------------
cd "$root"
head=$(git rev-parse --short=7 HEAD) || die "not a git checkout"
commit=g$head
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
    # A build of changed sources must not claim to be the commit.
    commit=$commit.dirty
    say "warning: the tree has uncommitted changes; the product version says \"$commit\""
fi
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct HEAD)
export SOURCE_DATE_EPOCH
version=$(sed -n 's/^project(norvale VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]] || die "no four-part version in project() of CMakeLists.txt"

dist=${NORVALE_DIST_DIR:-$root/dist}
build=${NORVALE_RELEASE_BUILD_DIR:-$root/build/release}
debug_dir=$(dirname "$dist")/norvale-$version-debug
name=norvale-$version-win32
say "Norvale $version ($commit), commit time $(date -u -d "@$SOURCE_DATE_EPOCH" +%FT%TZ)"

# --- the executable -------------------------------------------------------------
for dir in "$build" "$dist"; do
    # Both are emptied first: never the home folder or one holding the sources.
    real=$(realpath -m "$dir")
    case "$root/" in "${real%/}/"*) die "will not empty $dir" ;; esac
    [ "$real" != "$(realpath -m "$HOME")" ] || die "will not empty $dir"
done
rm -rf "$build" "$dist" "$debug_dir"
mkdir -p "$build" "$dist" "$debug_dir"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORVALE_TESTS=OFF -DNORVALE_COMMIT="$commit" \
    >"$build.configure.log" 2>&1 || { tail -20 "$build.configure.log"; die "configure failed"; }
cmake --build "$build" -j "${NORVALE_JOBS:-$(nproc)}" --target norvale >"$build.build.log" 2>&1 ||
    { grep -E 'error|Error' "$build.build.log" | head -20; die "build failed (see $build.build.log)"; }
stage=$build/stage
mkdir -p "$stage"
cp "$build/app/norvale.exe" "$stage/norvale.exe"
cp "$build/app/norvale.exe.debug" "$debug_dir/norvale.exe.debug"

sign() {  # FILE DESCRIPTION
    [ -n "$cert" ] || return 0
    local signed=$1.signed
    rm -f "$signed"
    osslsigncode sign -certs "$cert" -key "$key" ${NORVALE_SIGN_PASSWORD:+-pass "$NORVALE_SIGN_PASSWORD"} \
        -h sha256 -n "$2" -i https://github.com/norvale -time "$SOURCE_DATE_EPOCH" \
        -in "$1" -out "$signed" >"$build/sign.log" 2>&1 || { cat "$build/sign.log"; die "signing $1 failed"; }
    mv "$signed" "$1"
}
sign "$stage/norvale.exe" "Norvale"

# Windows users read these in Notepad: CRLF line ends.
sed -e "s/@VERSION@/$version/g" -e "s/@COMMIT@/$commit/g" "$here/README.txt" | sed 's/$/\r/' >"$stage/README.txt"
sed 's/$/\r/' "$root/LICENSE" >"$stage/LICENSE.txt"

# --- the zip ----------------------------------------------------------------------
python3 "$here/make_zip.py" "$dist/$name.zip" "$SOURCE_DATE_EPOCH" \
    "$stage/LICENSE.txt" "$stage/README.txt" "$stage/norvale.exe"

# --- the MSI ------------------------------------------------------------------------
cp "$root/resources/norvale.ico" "$stage/norvale.ico"
product_code=$("$here/make_msi.sh" "$version" "$stage" "$dist/$name.msi") || die "wixl failed"
sign "$dist/$name.msi" "Norvale $version"

# --- the winget manifests -----------------------------------------------------------
msi_sha=$(sha256sum "$dist/$name.msi" | cut -d' ' -f1)
manifests=$dist/winget/Orrin.Norvale/$version
mkdir -p "$manifests"
python3 "$here/winget_manifests.py" "$manifests" "$version" "$base_url/$version/$name.msi" "$msi_sha" "$product_code"

# --- the checksums ----------------------------------------------------------------------
(cd "$dist" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort | xargs sha256sum >SHA256SUMS)

say "Release $version ($commit) in $dist:"
(cd "$dist" && sed 's/^/  /' SHA256SUMS)
say "  norvale.exe $(stat -c %s "$stage/norvale.exe") bytes; its debug file: $debug_dir/norvale.exe.debug"
say "  product code $product_code"
if [ -n "$cert" ]; then
    say "Signed (Authenticode, SHA-256) with $(openssl x509 -in "$cert" -noout -subject 2>/dev/null || echo "$cert")."
else
    say "UNSIGNED: no certificate given (--sign CERT KEY); Windows will warn before running it."
fi
[ $placeholder_url -eq 0 ] ||
    say "The winget manifest names $base_url as the download address: pass --url with where the MSI will be hosted."
