#!/bin/sh
# Runs a Windows program under wine for CTest. A wine server that ends while
# the next test starts drops that test ("recvmsg: Connection reset by peer"),
# so one server is kept for a minute after its last program (wineserver -p60;
# it answers 2 where one already runs). Wine's own chatter is off unless
# WINEDEBUG says otherwise.
wineserver -p60 2>/dev/null
export WINEDEBUG="${WINEDEBUG:--all}"
exec wine "$@"
