#!/bin/sh
# Installs the build into a scratch prefix and checks what lands where; then
# renders the installed manual:
#   install_test.sh BUILD_DIR
set -eu
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
fail=0
for f in bin/morlith bin/morlith-metrics share/man/man1/morlith.1 share/man/man1/morlith-metrics.1 \
    share/doc/morlith/README.md share/doc/morlith/LICENSE; do
    if [ -f "$prefix/$f" ]; then echo "installed $f"; else echo "missing $f"; fail=1; fi
done
[ -x "$prefix/bin/morlith" ] || { echo "bin/morlith is not executable"; fail=1; }
"$prefix/bin/morlith" "$prefix/share/doc/morlith/LICENSE" 2>/dev/null | grep -q '^"LICENSE",' ||
    { echo "the installed program gives no record"; fail=1; }
if command -v man >/dev/null; then
    MANWIDTH=80 man -l "$prefix/share/man/man1/morlith.1" 2>&1 | grep -q 'morlith - append one record' ||
        { echo "man -l does not show the manual"; fail=1; }
fi
exit $fail
