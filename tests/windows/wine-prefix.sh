#!/usr/bin/env bash
# The Wine tests' own prefix, in the build folder (a prefix must belong to the user running it):
# `start` makes it once, with windows left unmanaged (no window manager under Xvfb: a managed window's
# destruction would wait for one) and no crash dialog (a crash must fail the test, not hang it), and
# starts its wineserver for the tests; `stop` ends that wineserver only.
set -euo pipefail
what=$1
export WINEPREFIX=$2 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
command -v wine >/dev/null || { echo "wine is not installed"; exit 0; }
case $what in
  start)
    if [ ! -f "$WINEPREFIX/.zanoru-ready" ]; then
      rm -rf "$WINEPREFIX"
      mkdir -p "$WINEPREFIX"
      timeout 300 wineboot -i >"$WINEPREFIX/.wineboot.log" 2>&1
      timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
      timeout 60 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
      timeout 60 wineserver -w
      touch "$WINEPREFIX/.zanoru-ready"
    fi
    # Kept up between the tests' runs, so that none pays for starting it; output to a file, never to
    # a pipe it would hold open.
    wineserver -p 60 >/dev/null 2>&1 </dev/null
    ;;
  stop)
    [ -d "$WINEPREFIX" ] && wineserver -k >/dev/null 2>&1 || true
    ;;
esac
