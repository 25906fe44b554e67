#!/usr/bin/env bash
# Runs a Windows program under Wine for CTest. The Wine prefix lives in the build tree
# (VELMO_WINEPREFIX, or ./wineprefix beside the working directory's build root).
set -u
prefix=${VELMO_WINEPREFIX:-}
if [ -z "$prefix" ]; then
  dir=$PWD
  while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
  [ -f "$dir/CMakeCache.txt" ] || dir=$PWD
  prefix=$dir/wineprefix
fi
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
mkdir -p "$WINEPREFIX"
if [ -n "${DISPLAY:-}" ]; then
  exec wine "$@"
fi
exec xvfb-run -a wine "$@"
