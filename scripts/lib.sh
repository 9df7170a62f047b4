# Shared by scripts/test and scripts/run (sourced): locations, the Wine environment, a private X
# display and a fresh copy of the template prefix. Everything started here is ended by
# cleanup_environment, which the scripts call from their EXIT trap.

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
TEMPLATE="$ROOT/.cache/wine-template"
BUILD_NATIVE="$ROOT/build-native"
BUILD_WIN32="$ROOT/build-win32"
JOBS="${VKR_JOBS:-2}"

export WINEDEBUG=-all WINEARCH=win32 WINEDLLOVERRIDES=winemenubuilder.exe=d LC_ALL=zh_CN.UTF-8

XVFB_PID=""
SCRATCH=""

# Starts Xvfb on a display number of its own choosing when there is no DISPLAY, and exports it.
# -noreset: an X server otherwise resets when its last client goes, and turns away a program that
# connects meanwhile (as one test's program ends and the next one's starts).
ensure_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local number_file
  number_file="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$number_file" >/dev/null 2>&1 &
  XVFB_PID=$!
  local waited=0
  until [ -s "$number_file" ]; do
    if ! kill -0 "$XVFB_PID" 2>/dev/null || [ "$waited" -ge 100 ]; then
      echo "Xvfb did not start" >&2
      rm -f "$number_file"
      return 1
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
  export DISPLAY=":$(head -n1 "$number_file")"
  rm -f "$number_file"
}

# Makes $SCRATCH/prefix a fresh copy of the template with HOME in $SCRATCH/home and exports
# WINEPREFIX and HOME. Extra arguments go to winenv.py (for example --proxy-port PORT), which
# writes per-user settings before any Wine process reads them.
fresh_prefix() {
  [ -n "$SCRATCH" ] || SCRATCH="$(mktemp -d "${TMPDIR:-/tmp}/vkr-XXXXXX")"
  rm -rf "$SCRATCH/prefix" "$SCRATCH/home"
  python3 "$ROOT/tools/winenv/winenv.py" --template "$TEMPLATE" --root "$SCRATCH" "$@" >/dev/null
  export WINEPREFIX="$SCRATCH/prefix" HOME="$SCRATCH/home"
  # A wineserver kept alive for the whole run: each program then starts in well under a second.
  wineserver -p
  # Start the prefix's system processes (services, explorer) now, with nothing but /dev/null as
  # their output: they live as long as the wineserver, and a pipe they inherited from a test
  # program would keep ctest waiting for its end. Listing windows needs the desktop, so it starts
  # them all.
  wine "$BUILD_WIN32/out/tools/window_texts.exe" "" </dev/null >/dev/null 2>&1 || true
}

cleanup_environment() {
  if [ -n "${WINEPREFIX:-}" ] && [ -n "$SCRATCH" ] && [ "$WINEPREFIX" = "$SCRATCH/prefix" ]; then
    wineserver -k >/dev/null 2>&1 || true
    timeout 30 wineserver -w >/dev/null 2>&1 || true
  fi
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  fi
  if [ -n "$SCRATCH" ]; then
    rm -rf "$SCRATCH"
    SCRATCH=""
  fi
}

configure_win32() {
  cmake -S "$ROOT" -B "$BUILD_WIN32" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" >/dev/null
}
