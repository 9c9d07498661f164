#!/bin/sh
# Builds the .deb with CPack and checks it: its control data, that it holds
# the program and the manual, and that the program unpacked from it runs:
#   deb_test.sh BUILD_DIR
set -eu
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
deb=$(ls "$out"/*.deb)
fail=0
dpkg-deb --info "$deb" | grep -q 'Package: morlith' || { echo "no package name"; fail=1; }
contents=$(dpkg-deb --contents "$deb")
for f in ./usr/bin/morlith ./usr/share/man/man1/morlith.1 ./usr/share/doc/morlith/LICENSE; do
    echo "$contents" | grep -q " $f\$" && echo "holds $f" || { echo "missing $f"; fail=1; }
done
dpkg-deb -x "$deb" "$out/root"
"$out/root/usr/bin/morlith" "$out/root/usr/share/doc/morlith/LICENSE" 2>/dev/null |
    grep -q '^"LICENSE",' || { echo "the unpacked program gives no record"; fail=1; }
exit $fail
