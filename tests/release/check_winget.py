#!/usr/bin/env python3
"""Reads a winget manifest set as winget would (YAML) and checks it names
this MSI: its SHA-256, its product code, one version throughout.

    check_winget.py DIR VERSION MSI PRODUCT_CODE
"""
import hashlib
import os
import sys

import yaml

IDENTIFIER = "Orrin.Norvale"


def fail(message):
    print(f"winget: {message}")
    sys.exit(1)


def main(directory, version, msi, product_code):
    docs = {}
    for kind, name in (("version", f"{IDENTIFIER}.yaml"),
                       ("installer", f"{IDENTIFIER}.installer.yaml"),
                       ("defaultLocale", f"{IDENTIFIER}.locale.en-US.yaml")):
        with open(os.path.join(directory, name), encoding="utf-8") as f:
            doc = yaml.safe_load(f)
        if doc.get("ManifestType") != kind:
            fail(f"{name}: ManifestType {doc.get('ManifestType')!r}, not {kind}")
        if tuple(int(p) for p in str(doc.get("ManifestVersion")).split(".")) < (1, 6, 0):
            fail(f"{name}: ManifestVersion {doc.get('ManifestVersion')} is older than 1.6.0")
        if doc.get("PackageIdentifier") != IDENTIFIER or doc.get("PackageVersion") != version:
            fail(f"{name}: {doc.get('PackageIdentifier')} {doc.get('PackageVersion')}, not {IDENTIFIER} {version}")
        docs[kind] = doc

    if docs["version"].get("DefaultLocale") != docs["defaultLocale"].get("PackageLocale"):
        fail("the default locale names no locale file")
    for field in ("Publisher", "PackageName", "License", "ShortDescription"):
        if not docs["defaultLocale"].get(field):
            fail(f"the locale file lacks {field}")

    installer = docs["installer"]
    entries = installer.get("Installers") or []
    if len(entries) != 1:
        fail(f"{len(entries)} installers, not one")
    with open(msi, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    if str(entries[0].get("InstallerSha256", "")).lower() != digest:
        fail(f"InstallerSha256 {entries[0].get('InstallerSha256')} is not the MSI's {digest}")
    if not str(entries[0].get("InstallerUrl", "")).endswith("/" + os.path.basename(msi)):
        fail(f"InstallerUrl {entries[0].get('InstallerUrl')} does not name {os.path.basename(msi)}")
    if entries[0].get("Architecture") != "x86":
        fail("the installer is not marked x86")
    if installer.get("InstallerType") != "msi" or installer.get("Scope") != "machine":
        fail("not a per-machine MSI")
    codes = {installer.get("ProductCode")} | {e.get("ProductCode") for e in installer.get("AppsAndFeaturesEntries", [])}
    if codes != {product_code}:
        fail(f"product codes {sorted(map(str, codes))}, the MSI's is {product_code}")
    print(f"winget: {IDENTIFIER} {version}, SHA-256 {digest}, product code {product_code}")


if __name__ == "__main__":
    if len(sys.argv) != 5:
        fail("usage: check_winget.py DIR VERSION MSI PRODUCT_CODE")
    main(*sys.argv[1:])
