#!/bin/sh
# Builds the Windows .zip with CPack and checks that it holds both
# executables, each of its own kind, the README and the license:
#   zip_test.sh BUILD_DIR PACKAGE_NAME
set -eu
build=$1 name=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G ZIP -B "$out" >/dev/null)
python3 -m zipfile -e "$out/$name.zip" "$out/unpacked"
fail=0
for f in x86/morlith.exe x86/morlith-metrics.exe x64/morlith.exe x64/morlith-metrics.exe README.md LICENSE; do
    [ -f "$out/unpacked/$name/$f" ] && echo "holds $f" || { echo "missing $f"; fail=1; }
done
here=$(dirname "$0")/../windows
"$here/check_pe.sh" i686-w64-mingw32-objdump "$out/unpacked/$name/x86/morlith.exe" pei-i386 >/dev/null ||
    { echo "x86/morlith.exe is no 32-bit console program"; fail=1; }
"$here/check_pe.sh" x86_64-w64-mingw32-objdump "$out/unpacked/$name/x64/morlith.exe" pei-x86-64 >/dev/null ||
    { echo "x64/morlith.exe is no 64-bit console program"; fail=1; }
exit $fail
