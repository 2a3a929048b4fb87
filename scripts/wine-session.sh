#!/usr/bin/env bash
# start|stop|env BUILD_DIR: one persistent wineserver for the build's own Wine prefix.
# `eval "$(scripts/wine-session.sh env build)"` exports the variables every Wine process needs.
set -euo pipefail
cmd=${1:?start|stop|env}
build=$(cd "${2:?build dir}" && pwd)
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
case "$cmd" in
  env)
    printf 'export WINEPREFIX=%q WINEDEBUG=-all WINEDLLOVERRIDES=%q\n' "$WINEPREFIX" "$WINEDLLOVERRIDES"
    ;;
  start)
    mkdir -p "$WINEPREFIX"
    # The daemons must not inherit our pipes, or whoever reads them (CTest) waits forever.
    wineserver -p </dev/null >/dev/null 2>&1 || true  # already running is fine
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
    ;;
  stop)
    wineserver -k </dev/null >/dev/null 2>&1 || true
    wineserver -w </dev/null >/dev/null 2>&1 || true
    ;;
  *) echo "usage: $0 start|stop|env BUILD_DIR" >&2; exit 2 ;;
esac
