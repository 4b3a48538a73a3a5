# Sourced by the X11 sessions: a private X server and a work folder that are
# cleaned up on exit, and a wait for a window by its name.
#   x11_start WIDTHxHEIGHT TOOL...   exits 77 (skipped) when a tool is missing
#                                    or no X server can be started here
#   find_window NAME_REGEX           prints the window id, or fails the test
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

x11_start() {
  local screen=$1 tool
  shift
  for tool in Xvfb xdotool "$@"; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
  done
  # The X server picks a free display itself and writes its number to fd 3,
  # so that parallel sessions never race for one.
  # -noreset: a server resets when its last client leaves, and a client
  # that connects during the reset is refused; the probe below is such a
  # last client, and the program connects right after it.
  Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
  [ -s "$work/display" ] || { echo "skipped: Xvfb did not start"; exit 77; }
  export DISPLAY=":$(head -n 1 "$work/display")"
  for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
  xdotool getmouselocation >/dev/null 2>&1 || { echo "skipped: Xvfb did not start"; exit 77; }
  # The program's lock, socket and settings stay in the work folder.
  export TMPDIR=$work XDG_RUNTIME_DIR=$work XDG_CONFIG_HOME=$work/config
}

find_window() {
  local id=
  for _ in $(seq 100); do
    id=$(xdotool search --name "$1" 2>/dev/null | head -n 1) && [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { echo "no window named $1" >&2; cat "$work/app.log" >&2; exit 1; }
  echo "$id"
}
