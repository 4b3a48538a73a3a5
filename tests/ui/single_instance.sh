#!/usr/bin/env bash
# The real program: a second start ends at once while the first runs; a
# start beside a running copy that does not answer says so and starts, and
# garbled requests on its socket get no answer; after
# the first is killed with SIGKILL, the next start works; a lock that cannot
# be read never stops a start.
#   single_instance.sh ZELVARO
set -euo pipefail
app=$1
work=$(mktemp -d)
first=
third=
cleanup() {
  for p in $first $third; do kill -9 "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
export TMPDIR=$work XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=offscreen

"$app" >"$work/first.log" 2>&1 &
first=$!
for _ in $(seq 100); do ls "$work"/zelvaro-*.lock >/dev/null 2>&1 && break; sleep 0.05; done
ls "$work"/zelvaro-*.lock >/dev/null 2>&1 || { echo "the first copy took no lock"; exit 1; }
sleep 1.5 # past the splash

start=$(date +%s%N)
timeout 10 "$app" >"$work/second.log" 2>&1 || { echo "the second copy failed"; exit 1; }
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
[ "$elapsed_ms" -lt 900 ] || { echo "the second copy did not end at once (${elapsed_ms} ms)"; exit 1; }
kill -0 "$first" || { echo "the first copy is gone"; exit 1; }

python3 - "$work/zelvaro-$(id -u).socket" <<'PY'
import socket, sys
for request in [b"open \xff/x.csv\n", b"open x.csv\n", b"open /a.csv\n/b.csv\n", b"open /a\x01.csv\n", b"x" * 100000]:
    s = socket.socket(socket.AF_UNIX)
    s.connect(sys.argv[1])
    s.settimeout(5)
    try:
        s.sendall(request)
        reply = s.recv(16)
    except OSError:
        reply = b""
    assert reply == b"", (request[:20], reply)
PY
kill -0 "$first" || { echo "garbled requests ended the first copy"; exit 1; }
# A first copy that hangs: a start given a file says so and opens a window
# of its own rather than ending with nothing.
kill -STOP "$first"
"$app" "$work/x.csv" >"$work/handover.log" 2>&1 &
third=$!
for _ in $(seq 100); do grep -q '応答しない' "$work/handover.log" && break; sleep 0.1; done
sleep 0.5
kill -CONT "$first"
kill -0 "$third" && grep -q '^zelvaro: .*応答しない' "$work/handover.log" ||
  { echo "a start beside a hung copy said nothing or ended"; cat "$work/handover.log"; exit 1; }
kill -9 "$third"
wait "$third" 2>/dev/null || true

kill -9 "$first"
wait "$first" 2>/dev/null || true
first=
ls "$work"/zelvaro-*.lock >/dev/null 2>&1 || { echo "the killed copy left no lock to take over"; exit 1; }

"$app" >"$work/third.log" 2>&1 &
third=$!
sleep 2
kill -0 "$third" || { echo "a start after the crash was refused"; cat "$work/third.log"; exit 1; }

# A lock that cannot be read (here a folder in its place) never stops a
# start: the program says so on standard error and starts.
kill -9 "$third"
wait "$third" 2>/dev/null || true
rm -f "$work"/zelvaro-*.lock
mkdir "$work/zelvaro-$(id -u).lock"
"$app" >"$work/fourth.log" 2>&1 &
third=$!
sleep 2
kill -0 "$third" || { echo "an unreadable lock stopped the start"; cat "$work/fourth.log"; exit 1; }
grep -q '^zelvaro: ' "$work/fourth.log" || { echo "no note on standard error"; cat "$work/fourth.log"; exit 1; }
echo "second copy refused in ${elapsed_ms} ms; garbled requests unanswered; a start beside a hung copy said so; stale lock taken over after SIGKILL; unreadable lock noted"

