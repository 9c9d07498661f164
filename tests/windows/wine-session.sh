#!/bin/sh
# Starts or stops the Wine session that the Windows cases run in:
#   wine-session.sh start|stop   (with WINEPREFIX set)
# "start" makes the prefix if there is none yet (that takes some seconds)
# and keeps one wineserver and the system services running, so that each
# case starts in a fraction of a second. The services are started here, with
# their standard streams closed: started by a case, they would hold that
# case's pipes open long after it ended.
set -eu
wine=${WINE:-/usr/lib/wine/wine64}
case $1 in
    start)
        # wineserver keeps running only for a prefix folder that exists; on a
        # fresh one it would stop at once, and every case would start Wine
        # from nothing.
        [ -x "$wine" ] || { echo "wine-session.sh: no $wine (tools/install-deps windows)" >&2; exit 1; }
        mkdir -p "$WINEPREFIX"
        # A server that already runs for this prefix makes -p fail; it serves
        # as well.
        wineserver -p </dev/null >/dev/null 2>&1 || true
        "$wine" wineboot </dev/null >/dev/null 2>&1
        ;;
    stop)
        wineserver -k || true
        ;;
esac
