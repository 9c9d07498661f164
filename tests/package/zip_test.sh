#!/bin/sh
# Builds the Windows .zip with CPack and checks that it holds both programs
# for x86 and x64, each of its own kind with its resources, and the README
# for Windows users and the license with CR LF line ends:
#   zip_test.sh BUILD_DIR PACKAGE_NAME VERSION
set -eu
build=$1 name=$2 version=$3
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G ZIP -B "$out" >/dev/null)
python3 -m zipfile -e "$out/$name.zip" "$out/unpacked"
root=$out/unpacked/$name
fail=0
for f in x86/morlith.exe x86/morlith-metrics.exe x64/morlith.exe x64/morlith-metrics.exe \
    README.txt LICENSE.txt; do
    [ -f "$root/$f" ] && echo "holds $f" || { echo "missing $f"; fail=1; }
done
for f in README.txt LICENSE.txt; do
    python3 -c 'import sys; t = open(sys.argv[1], "rb").read(); sys.exit(not (t.count(b"\n") == t.count(b"\r\n") > 0))' \
        "$root/$f" && echo "$f has CR LF line ends" || { echo "$f has lines without CR LF"; fail=1; }
done
here=$(dirname "$0")/../windows
for program in morlith morlith-metrics; do
    "$here/check_pe.sh" i686-w64-mingw32-objdump "$root/x86/$program.exe" pei-i386 "$version" >/dev/null ||
        { echo "x86/$program.exe is no 32-bit console program with its resources"; fail=1; }
    "$here/check_pe.sh" x86_64-w64-mingw32-objdump "$root/x64/$program.exe" pei-x86-64 "$version" >/dev/null ||
        { echo "x64/$program.exe is no 64-bit console program with its resources"; fail=1; }
done
exit $fail
