#!/bin/sh
# Runs a Windows program under wine for CTest. A wine server that ends while
# the next test starts drops that test ("recvmsg: Connection reset by peer"),
# so one server is kept for a minute after its last program (wineserver -p60;
# it answers 2 where one already runs). A new server's background services
# are booted here, on /dev/null and under a lock, before any program: started
# by a program they would keep its output open, and CTest would wait for them
# to end with the server. Wine's own chatter is off unless WINEDEBUG says otherwise.
export WINEDEBUG="${WINEDEBUG:--all}"
flock -o "${TMPDIR:-/tmp}/wine-with-server.lock" sh -c \
  'if wineserver -p60 </dev/null >/dev/null 2>&1; then wineboot </dev/null >/dev/null 2>&1; fi'
exec wine "$@"
