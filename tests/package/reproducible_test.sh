#!/bin/sh
# Builds the packages twice with tools/package, from two clones of the last
# commit at two different paths and under two different umasks, and checks
# that the .deb, the .zip and every .exe come out the same bit for bit:
#   reproducible_test.sh
set -eu
cd "$(dirname "$0")/../.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
first=$work/a
second=$work/another/path/b
git clone -q . "$first"
git clone -q . "$second"
(cd "$first" && umask 022 && tools/package >/dev/null)
(cd "$second" && umask 002 && tools/package >/dev/null)
fail=0
for f in build/packages/morlith_1.0_amd64.deb build/packages/morlith-1.0-windows.zip \
    build/packages/SHA256SUMS build/windows-x86/morlith.exe build/windows-x86/morlith-metrics.exe \
    build/windows-x64/morlith.exe build/windows-x64/morlith-metrics.exe; do
    if cmp -s "$first/$f" "$second/$f"; then
        echo "same bit for bit: $f $(sha256sum <"$first/$f" | cut -c1-16)"
    else
        echo "differs: $f"
        fail=1
    fi
done
exit $fail
