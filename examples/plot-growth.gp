# Draws a file's size over time from a growth log that morlith wrote.
#
#   gnuplot -e "log='growth.csv'; out='growth.png'" examples/plot-growth.gp
#
# The log is read as morlith writes it: quoted fields, sizes in bytes and
# times in the form "YYYYMMDD HHMMSS"; the size is drawn over currenttime
# (the sixth column), in KiB, MiB or GiB as the largest size suggests, with
# the file's name (of the first record) as the title. gnuplot cuts a quoted
# text at its first comma, so for a name with a comma or a double quote in it
# give the title yourself: -e "log='growth.csv'; name='a,b.log'".
if (!exists("log")) log = 'growth.csv'
if (!exists("out")) out = 'growth.png'

set datafile separator comma
set datafile missing '""'

# One pass for the name of the file and the largest size, one for the span
# of time the log covers.
first_name = ''
stats log using (first_name = (first_name eq '' ? strcol(1) : first_name), $2) nooutput
top = STATS_max
if (!exists("name")) name = first_name
stats log using (strptime('%Y%m%d %H%M%S', strcol(6))) nooutput
span = STATS_max - STATS_min
unit = 'bytes'; scale = 1.0
if (top >= 1024) { unit = 'KiB'; scale = 1024.0 }
if (top >= 1024**2) { unit = 'MiB'; scale = 1024.0**2 }
if (top >= 1024**3) { unit = 'GiB'; scale = 1024.0**3 }

set terminal pngcairo size 960,540 enhanced font 'sans,11'
set output out
set title sprintf('Growth of %s', name) noenhanced
set xdata time
set timefmt '%Y%m%d %H%M%S'
if (span < 2 * 3600) {
    set format x "%H:%M:%S"
} else {
    if (span < 3 * 86400) { set format x "%d.%m.\n%H:%M" } else { set format x "%Y-%m-%d" }
}
set xlabel 'time of the record (currenttime)'
set ylabel sprintf('size (%s)', unit)
set yrange [0:*]
set grid
set key off
plot log using 6:($2 / scale) with linespoints pointtype 7 pointsize 0.6 linewidth 2
