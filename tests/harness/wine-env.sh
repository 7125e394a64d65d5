# Shell functions shared by the scripts that run the program under Wine on a virtual display.
# Source it; every function is bounded in time and leaves nothing running that its caller cannot stop.
# A script's traps stop what it started on SIGTERM, SIGINT and its normal end. For a script killed
# outright (SIGKILL), its long-running commands are started with `setpriv --pdeathsig`, and Wine's
# server, started by Wine itself, ends the prefix's services once the last program has gone.

# start_virtual_display WORKDIR LAYOUT: starts Xvfb on a free display number and splits its screen into
# monitors the way Wine can use them. LAYOUT "two": 1024x768 at (0,0), primary, and 800x600 at
# (1024,0); "one": a single 1024x768 monitor. Sets DISPLAY and XVFB_PID.
start_virtual_display() {
  local workdir=$1 layout=${2:-two} size
  case "$layout" in
    two) size=1824x768x24 ;;
    one) size=1024x768x24 ;;
    *) echo "unknown monitor layout: $layout" >&2; return 1 ;;
  esac
  : > "$workdir/display-number"
  # Tied to this shell: the display goes with it even when the shell is killed outright (no trap runs).
  setpriv --pdeathsig KILL Xvfb -displayfd 9 -screen 0 "$size" -noreset -nolisten tcp 9>"$workdir/display-number" \
    >"$workdir/xvfb.log" 2>&1 &
  XVFB_PID=$!
  local waited=0
  until [ -s "$workdir/display-number" ]; do
    sleep 0.1
    waited=$((waited + 1))
    if [ "$waited" -gt 100 ] || ! kill -0 "$XVFB_PID" 2>/dev/null; then
      echo "Xvfb did not start" >&2; cat "$workdir/xvfb.log" >&2; return 1
    fi
  done
  export DISPLAY=":$(tr -dc '0-9' < "$workdir/display-number")"
  if [ "$layout" = two ]; then
    xrandr --setmonitor MON1 1024/270x768/203+0+0 screen >/dev/null
    xrandr --setmonitor MON2 800/211x600/159+1024+0 none >/dev/null
  fi
}

# wine_environment PREFIX: the variables every Wine run here uses.
wine_environment() {
  export WINEPREFIX=$1
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
}

# fresh_wine_prefix TEMPLATE DEST: a private copy of the ready prefix (made once if missing).
fresh_wine_prefix() {
  local template=$1 dest=$2
  "$(dirname "${BASH_SOURCE[0]}")/make-wine-prefix" "$template"
  rm -rf "$dest"
  cp -a "$template" "$dest"
}

# stop_wine_and_display: ends the prefix's Wine processes and the virtual display.
stop_wine_and_display() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    timeout 20 wineserver -k >/dev/null 2>&1 || true
  fi
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
  fi
}
