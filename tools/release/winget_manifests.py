#!/usr/bin/env python3
"""Writes the winget manifest set (version, installer, default locale) for
one MSI, in manifest schema 1.6.0.

    winget_manifests.py DIR VERSION INSTALLER_URL SHA256 PRODUCT_CODE

The files are written by hand rather than through a YAML library so that the
release needs none; every value is quoted as YAML needs.
"""
import json
import os
import re
import sys

IDENTIFIER = "Orrin.Norvale"
SCHEMA = "1.6.0"
LOCALE = "en-US"
# The MSI's fixed upgrade code (tools/release/norvale.wxs).
UPGRADE_CODE = "{AB53FEEA-F568-4D18-A2FE-38E4DBF9929D}"


def quoted(text):
    # A JSON string is a valid YAML double-quoted scalar.
    return json.dumps(text, ensure_ascii=False)


def document(kind, fields):
    lines = [f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}.{SCHEMA}.schema.json", ""]
    lines += fields
    lines += [f"ManifestType: {kind}", f"ManifestVersion: {SCHEMA}", ""]
    return "\n".join(lines)


def manifests(version, url, sha256, product_code):
    if not re.fullmatch(r"[0-9A-Fa-f]{64}", sha256):
        raise ValueError(f"not a SHA-256: {sha256}")
    if not re.fullmatch(r"\{[0-9A-Fa-f-]{36}\}", product_code):
        raise ValueError(f"not a product code: {product_code}")
    if not re.fullmatch(r"https?://\S+", url):
        raise ValueError(f"not an http(s) address: {url}")
    head = [f"PackageIdentifier: {IDENTIFIER}", f"PackageVersion: {quoted(version)}"]
    return {
        f"{IDENTIFIER}.yaml": document("version", head + [f"DefaultLocale: {LOCALE}"]),
        f"{IDENTIFIER}.installer.yaml": document("installer", head + [
            "InstallerType: msi",
            "Scope: machine",
            "UpgradeBehavior: install",
            f"ProductCode: {quoted(product_code)}",
            "AppsAndFeaturesEntries:",
            "  - DisplayName: Norvale",
            "    Publisher: Orrin",
            f"    DisplayVersion: {quoted(version)}",
            f"    ProductCode: {quoted(product_code)}",
            f"    UpgradeCode: {quoted(UPGRADE_CODE)}",
            "Installers:",
            "  - Architecture: x86",
            f"    InstallerUrl: {quoted(url)}",
            f"    InstallerSha256: {sha256.upper()}",
        ]),
        f"{IDENTIFIER}.locale.{LOCALE}.yaml": document("defaultLocale", head + [
            f"PackageLocale: {LOCALE}",
            "Publisher: Orrin",
            "PackageName: Norvale",
            "License: MIT",
            "ShortDescription: Finds Orrin storage appliances on the LAN, sets their addresses, maps their shares and connects their iSCSI targets.",
            "Moniker: norvale",
        ]),
    }


if __name__ == "__main__":
    if len(sys.argv) != 6:
        raise SystemExit("usage: winget_manifests.py DIR VERSION INSTALLER_URL SHA256 PRODUCT_CODE")
    out_dir, version, url, sha256, product_code = sys.argv[1:]
    for name, text in manifests(version, url, sha256, product_code).items():
        with open(os.path.join(out_dir, name), "w", encoding="utf-8", newline="\n") as f:
            f.write(text)
