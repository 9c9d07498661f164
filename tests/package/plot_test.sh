#!/bin/sh
# Makes a small growth log with real morlith runs on a file that grows, draws
# it with the example gnuplot script, and checks the picture:
#   plot_test.sh MORLITH SOURCE_DIR
set -eu
morlith=$1 source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
for kib in 40 90 150 260; do
    head -c $((kib * 1024)) /dev/zero >app.log
    "$morlith" app.log >>growth.csv 2>/dev/null
    # currenttime has whole seconds: one second apart, the records spread out.
    sleep 1
done
test "$(wc -l <growth.csv)" -eq 4
gnuplot -e "log='growth.csv'; out='growth.png'" "$source/examples/plot-growth.gp"
python3 "$source/tests/package/check_png.py" growth.png 640 360
