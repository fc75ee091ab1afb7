#!/usr/bin/env bash
# Builds the MSI of one version from a stage folder holding norvale.exe,
# LICENSE.txt, README.txt and norvale.ico; prints its product code.
#
#   make_msi.sh VERSION STAGE OUTPUT.msi
#
# The product code is derived from the version: the same release always has
# the same code, and every new version a new one (a major upgrade).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
version=${1:?usage: make_msi.sh VERSION STAGE OUTPUT.msi}
stage=${2:?}
output=$(realpath -m "${3:?}")
[[ "$version" =~ ^([0-9]+)\.([0-9]+)\.([0-9]+)\.[0-9]+$ ]] || { echo "make_msi: not a four-part version: $version" >&2; exit 2; }
# The lowest three-field version above this one (see norvale.wxs).
next=${BASH_REMATCH[1]}.${BASH_REMATCH[2]}.$((BASH_REMATCH[3] + 1))
product_code=$(python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID("AB53FEEA-F568-4D18-A2FE-38E4DBF9929D"), "norvale " + sys.argv[1])).upper())' "$version")
# wixl finds the files named in the source relative to its working folder.
cd "$stage"
wixl -a x86 -o "$output" -D Version="$version" -D NextVersion="$next" -D ProductCode="$product_code" \
    -D ExeSource=norvale.exe -D LicenseSource=LICENSE.txt -D ReadmeSource=README.txt -D IconSource=norvale.ico \
    "$here/norvale.wxs" >"$output.log" 2>&1 || { cat "$output.log" >&2; exit 1; }
rm -f "$output.log"
printf '{%s}\n' "$product_code"
