#!/usr/bin/env bash
# The release as an administrator receives it: ./norvale release with a
# throw-away self-signed certificate, then every promise of the release is
# checked: the checksums, the signatures, the MSI's tables, the winget
# manifests, the version the exe carries, its size and hardening, and a
# second build of the same commit in another tree, byte for byte.
#
#   release_suite.sh ROOT BUILD OUT
#
# The MSI's installation under Wine is the Windows suite release-msi
# (tests/release/msi_wine.sh), which installs what this suite left in
# OUT/release/dist.
set -uo pipefail
root=${1:?usage: release_suite.sh ROOT BUILD OUT}
build=${2:?}
out=${3:?}
work=$out/release
failures=0
check() {  # NAME, command...
    local name=$1
    shift
    if "$@"; then printf 'PASS  %s\n' "$name"; else printf 'FAIL  %s\n' "$name"; failures=$((failures + 1)); fi
}
quietly() { "$@" >/dev/null 2>&1; }

rm -rf "$work"
mkdir -p "$work/keys"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A code-signing certificate that nothing trusts, made for this run only.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Norvale release test" \
    -addext extendedKeyUsage=codeSigning -keyout "$work/keys/key.pem" -out "$work/keys/cert.pem" \
    >/dev/null 2>&1 || { echo "openssl could not make a certificate"; exit 1; }

release() {  # DIST BUILD_TREE LOG
    NORVALE_DIST_DIR=$1 NORVALE_RELEASE_BUILD_DIR=$2 \
        "$root/norvale" release --sign "$work/keys/cert.pem" "$work/keys/key.pem" >"$3" 2>&1
}
dist=$work/dist
start=$(date +%s)
release "$dist" "$build/release" "$work/release-1.log" || { cat "$work/release-1.log"; exit 1; }
first_seconds=$(($(date +%s) - start))
cat "$work/release-1.log"

version=$(sed -n 's/^project(norvale VERSION \([0-9.]*\) .*/\1/p' "$root/CMakeLists.txt")
name=norvale-$version-win32
zip=$dist/$name.zip msi=$dist/$name.msi
manifests=$dist/winget/Orrin.Norvale/$version

# --- what is there, and its checksums ------------------------------------------------
check "the zip, the MSI, three winget files and SHA256SUMS" \
    test "$(cd "$dist" && find . -type f | LC_ALL=C sort | tr '\n' ' ')" = \
    "./SHA256SUMS ./$name.msi ./$name.zip ./winget/Orrin.Norvale/$version/Orrin.Norvale.installer.yaml ./winget/Orrin.Norvale/$version/Orrin.Norvale.locale.en-US.yaml ./winget/Orrin.Norvale/$version/Orrin.Norvale.yaml "
check "sha256sum -c SHA256SUMS" bash -c "cd '$dist' && sha256sum --quiet -c SHA256SUMS"
check "the debug file beside dist/, not in it" test -s "$work/norvale-$version-debug/norvale.exe.debug"
check "the zip holds exactly LICENSE.txt, README.txt and norvale.exe" \
    test "$(python3 -c 'import sys, zipfile; print(" ".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "$zip")" = \
    "LICENSE.txt README.txt norvale.exe"
mkdir -p "$tmp/zip"
(cd "$tmp/zip" && python3 -m zipfile -e "$zip" .)
exe=$tmp/zip/norvale.exe
check "LICENSE.txt is the MIT licence of the Norvale authors" \
    grep -q 'Copyright (c) 2026 the Norvale authors' "$tmp/zip/LICENSE.txt"

# --- signatures -------------------------------------------------------------------------
# Without the certificate as a trust anchor the chain fails, as it does on a
# PC; with it the signature must verify, and a changed byte must break it.
verify() {  # FILE [CAFILE]
    osslsigncode verify ${2:+-CAfile "$2"} -in "$1" >"$tmp/verify.log" 2>&1
}
for signed in "$exe" "$msi"; do
    base=$(basename "$signed")
    check "$base: an Authenticode signature with SHA-256" \
        bash -c "osslsigncode verify -in '$signed' 2>&1 | grep -qi 'Message digest algorithm *: SHA256'"
    check "$base: its chain is not trusted without the test certificate" bash -c "! osslsigncode verify -in '$signed' >/dev/null 2>&1"
    check "$base: intact against the test certificate" verify "$signed" "$work/keys/cert.pem"
    cp "$signed" "$tmp/tampered"
    printf 'X' | dd of="$tmp/tampered" bs=1 seek=$(( $(stat -c %s "$signed") / 3 )) conv=notrunc 2>/dev/null
    check "$base: one changed byte breaks it" bash -c "! osslsigncode verify -CAfile '$work/keys/cert.pem' -in '$tmp/tampered' >/dev/null 2>&1"
done

# --- the exe ------------------------------------------------------------------------------
head=$(git -C "$root" rev-parse --short=7 HEAD)
i686-w64-mingw32-windres -i "$exe" -O rc -o "$tmp/res.rc" 2>/dev/null
check "version resource: FileVersion $version" grep -q "VALUE \"FileVersion\", \"$version\"" "$tmp/res.rc"
check "version resource: ProductVersion $version+g$head" grep -qE "VALUE \"ProductVersion\", \"$version\\+g$head(\\.dirty)?\"" "$tmp/res.rc"
check "string 126 reads Version:$version" grep -q "126, \"Version:$version\"" "$tmp/res.rc"
check "the manifest's assembly version is $version" grep -q "name=\"\"Orrin.Norvale\"\" version=\"\"$version\"\"" "$tmp/res.rc"
size=$(stat -c %s "$exe")
check "norvale.exe is at most 1.25 MB ($size bytes, signed)" test "$size" -le 1250000
flags=$(i686-w64-mingw32-objdump -p "$exe" | awk '$1 == "DllCharacteristics" { print $2 }')
check "ASLR and DEP kept (DllCharacteristics $flags)" test $(( (0x$flags & 0x140) == 0x140 )) = 1
check "no link time in the PE header" test "$(i686-w64-mingw32-objdump -p "$exe" | awk '$1 == "Time/Date" { print $2, $3, $4, $5, $6 }')" = "Thu Jan 1 00:00:00 1970"

# --- the MSI --------------------------------------------------------------------------------
msiinfo tables "$msi" >"$tmp/tables" 2>&1
for table in File Shortcut Upgrade; do
    check "MSI table $table" grep -qx "$table" "$tmp/tables"
done
msiinfo export "$msi" Property >"$tmp/property.idt"
property() { awk -F'\t' -v k="$1" '$1 == k { sub(/\r$/, "", $2); print $2 }' "$tmp/property.idt"; }
check "MSI Manufacturer Orrin, ProductVersion $version" \
    test "$(property Manufacturer) $(property ProductVersion)" = "Orrin $version"
check "MSI UpgradeCode fixed" test "$(property UpgradeCode)" = "{AB53FEEA-F568-4D18-A2FE-38E4DBF9929D}"
check "MSI installs per machine" test "$(property ALLUSERS)" = 1
check "MSI files: norvale.exe, LICENSE.txt, README.txt" \
    bash -c "msiinfo export '$msi' File | cut -f3 | grep -cE '^(norvale.exe|LICENSE.txt|README.txt)$' | grep -qx 3"
check "MSI firewall set up at installation, taken away at removal (deferred, as the system)" bash -c "
    msiinfo export '$msi' CustomAction | grep -qP '^FirewallInstall\t3154\tnorvale.exe\t--firewall install' &&
    msiinfo export '$msi' CustomAction | grep -qP '^FirewallRemove\t3154\tnorvale.exe\t--firewall remove' &&
    msiinfo export '$msi' InstallExecuteSequence | grep -qP '^FirewallRemove\tREMOVE=\"ALL\"' &&
    msiinfo export '$msi' InstallExecuteSequence | grep -qP '^FirewallInstall\tNOT REMOVE'"
# Deferred actions run only between InstallInitialize and InstallFinalize:
# the removal while the file is still there, the setup once it is.
msiinfo export "$msi" InstallExecuteSequence >"$tmp/sequence.idt"
step() { awk -F'\t' -v a="$1" '$1 == a { sub(/\r$/, "", $3); print $3 }' "$tmp/sequence.idt"; }
check "MSI firewall actions in order (InstallInitialize < FirewallRemove < RemoveFiles < InstallFiles < FirewallInstall < InstallFinalize)" \
    test "$(step InstallInitialize)" -lt "$(step FirewallRemove)" -a "$(step FirewallRemove)" -lt "$(step RemoveFiles)" \
    -a "$(step InstallFiles)" -lt "$(step FirewallInstall)" -a "$(step FirewallInstall)" -lt "$(step InstallFinalize)"
check "MSI shortcut in the Start menu" bash -c "msiinfo export '$msi' Shortcut | grep -q 'ProgramMenuFolder'"
check "MSI into ProgramFilesFolder\\Norvale" bash -c "msiinfo export '$msi' Directory | grep -qP '^INSTALLDIR\tProgramFilesFolder\tNorvale'"
check "MSI replaces older versions (Upgrade table)" \
    bash -c "msiinfo export '$msi' Upgrade | grep -q '^{AB53FEEA-F568-4D18-A2FE-38E4DBF9929D}'"

# A package of the next build number, for the Windows suite's upgrade: the
# same files under version VERSION+1 in the fourth field.
next_version=${version%.*}.$(( ${version##*.} + 1 ))
mkdir -p "$work/upgrade"
check "an MSI of the next build ($next_version) for the upgrade test" bash -c \
    "'$root/tools/release/make_msi.sh' '$next_version' '$build/release/stage' '$work/upgrade/norvale-$next_version-win32.msi' >'$work/upgrade/product-code'"

# --- the winget manifests -----------------------------------------------------------------
check "winget manifests parse and name the MSI's hash and product code" \
    python3 "$root/tests/release/check_winget.py" "$manifests" "$version" "$msi" "$(property ProductCode)"

# --- a second build of the same commit ------------------------------------------------------
# Another tree beside the first, so the compiler cache serves it (the build
# directory's name reaches no output; neither does the cache: its relative
# paths are mapped to the same names as absolute ones).
start=$(date +%s)
second=$work/second
release "$second/dist" "$build/release-check" "$work/release-2.log" || { tail -20 "$work/release-2.log"; failures=$((failures + 1)); }
second_seconds=$(($(date +%s) - start))
mkdir -p "$tmp/zip2"
(cd "$tmp/zip2" && python3 -m zipfile -e "$second/dist/$name.zip" .)
check "a second build in another tree: the same norvale.exe" cmp "$exe" "$tmp/zip2/norvale.exe"
check "a second build in another tree: the same zip" cmp "$zip" "$second/dist/$name.zip"
{
    echo "first build (${first_seconds}s) and second build (${second_seconds}s):"
    sha256sum "$exe" "$tmp/zip2/norvale.exe" "$zip" "$second/dist/$name.zip"
} | tee "$work/reproducible.txt"
rm -rf "$build/release-check"

echo "DETAIL: signed zip, MSI and winget set checked; norvale.exe $((size / 1024)) KB; two builds byte-identical (exe $(sha256sum "$exe" | cut -c1-12)); $failures failed"
[ "$failures" -eq 0 ]
