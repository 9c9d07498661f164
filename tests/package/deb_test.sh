#!/bin/sh
# Builds the .deb with tools/build-deb and checks it as a distribution
# would: lintian with every tag shown (no error, no warning, and no info or
# pedantic tag either), hardening-check on each program, the files it holds,
# and that the programs unpacked from it run:
#   deb_test.sh SOURCE_DIR
set -eu
source=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
deb=$("$source/tools/build-deb" "$out")
fail=0

tags=$(lintian -I -E --pedantic "$deb" 2>&1 | grep -v '^running with root privileges' || true)
if [ -n "$tags" ]; then
    echo "lintian -I -E --pedantic:"
    echo "$tags"
    fail=1
else
    echo "lintian -I -E --pedantic: no tag"
fi

contents=$(dpkg-deb --contents "$deb")
for f in ./usr/bin/morlith ./usr/bin/morlith-metrics ./usr/share/man/man1/morlith.1.gz \
    ./usr/share/man/man1/morlith-metrics.1.gz ./usr/share/doc/morlith/copyright \
    ./usr/share/doc/morlith/changelog.gz ./usr/share/doc/morlith/README.md.gz \
    ./usr/share/doc/morlith/examples/crontab \
    ./usr/share/doc/morlith/examples/prometheus/morlith-alerts.yml; do
    echo "$contents" | grep -q " $f\$" && echo "holds $f" || { echo "missing $f"; fail=1; }
done
dpkg-deb --field "$deb" Depends | grep -q 'libc6' ||
    { echo "Depends does not name the C library: $(dpkg-deb --field "$deb" Depends)"; fail=1; }

dpkg-deb -x "$deb" "$out/root"
for program in morlith morlith-metrics; do
    # The five lines that Debian's hardening asks for; control-flow
    # integrity cannot say yes on Debian 12, whose start-up files carry no
    # CET marking.
    report=$(hardening-check "$out/root/usr/bin/$program" || true)
    for line in "Position Independent Executable: yes" "Stack protected: yes" \
        "Fortify Source functions: yes" "Read-only relocations: yes" "Immediate binding: yes"; do
        echo "$report" | grep -q "$line" ||
            { echo "$program: want \"$line\", got:"; echo "$report"; fail=1; }
    done
    file "$out/root/usr/bin/$program" | grep -q 'dynamically linked' ||
        { echo "$program is not linked dynamically"; fail=1; }
done
echo "hardening-check: the five lines say yes for both programs"
"$out/root/usr/bin/morlith" "$out/root/usr/share/doc/morlith/copyright" 2>/dev/null |
    grep -q '^"copyright",' || { echo "the unpacked morlith gives no record"; fail=1; }
"$out/root/usr/bin/morlith-metrics" "$out/root/usr/share/doc/morlith/copyright" |
    grep -q '^morlith_file_matched{.*} 1$' || { echo "the unpacked morlith-metrics gives no metrics"; fail=1; }
exit $fail
