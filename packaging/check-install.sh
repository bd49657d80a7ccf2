#!/bin/sh
# Installs the build into a scratch prefix and checks what lands where.
set -eu
build=$1
id=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/mizel4 \
    "share/applications/$id.desktop" \
    "share/icons/hicolor/scalable/apps/$id.svg" \
    "share/metainfo/$id.metainfo.xml" \
    share/man/man1/mizel4.1.gz \
    share/doc/mizel4/copyright; do
    [ -f "$prefix/$file" ] || fail "missing $file"
done
[ -x "$prefix/bin/mizel4" ] || fail "mizel4 is not executable"

desktop="$prefix/share/applications/$id.desktop"
grep -qx 'Name=Mizel４' "$desktop" || fail "desktop entry lacks Name=Mizel４"
grep -qx 'Categories=Utility;' "$desktop" || fail "desktop entry is not in Utility"
grep -qx 'Exec=mizel4' "$desktop" || fail "desktop entry does not start mizel4"
grep -qx "Icon=$id" "$desktop" || fail "desktop entry names another icon"
grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/$id.svg" || fail "icon is not SVG"
copyright="$prefix/share/doc/mizel4/copyright"
grep -qx 'License: Expat' "$copyright" || fail "copyright names another licence"
grep -qx ' Permission is hereby granted, free of charge, to any person obtaining a copy' "$copyright" \
    || fail "copyright lacks the licence text"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >/dev/null || fail "installed metainfo is invalid"
echo "install: binary, desktop entry, icon, metainfo, manual page and licence in place"
