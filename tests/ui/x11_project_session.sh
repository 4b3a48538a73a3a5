#!/usr/bin/env bash
# The project workflow with the real program under an X server: open a
# schedule from the command line, pick an item in 機器リスト, change its W in
# the main window, 計算, save under a new name with the file dialog, quit.
# The saved file, run through zelvaro-check --batch, must hold the new W in
# that row and leave every other row as it was.
#
#   x11_project_session.sh ZELVARO ZELVARO_CHECK EXAMPLES_DIR [SCREENSHOT.png]
# Exit 77 (skipped) when no X server can be started here.
set -euo pipefail
app=$1
check=$2
examples=$3
shot=${4:-}

source "$(dirname "$0")/x11_common.sh"
x11_start 1680x1024 python3
cp "$examples/schedule.csv" "$work/schedule.csv"
"$app" "$work/schedule.csv" >"$work/app.log" 2>&1 &
app_pid=$!
pids+=($app_pid)
wid=$(find_window '^schedule\.csv - Zelvaro1\.070716$')
lid=$(find_window '^機器リスト$')
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$wid")"
top=$((HEIGHT - 681))
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; sleep 0.2; }

# Without a window manager both windows sit at +0+0: the list on top. Its
# first item row lies below the buttons and the header; pick it, read the
# main window, then bring the main window up.
click "$lid" 60 75
# The list beside the main window (positions stay window-relative).
xdotool windowmove "$lid" "$WIDTH" 0; sleep 0.3
click "$wid" 280 $((265 + top))     # W of the floor-mounted item
xdotool key End; for _ in 1 2 3 4 5 6; do xdotool key BackSpace; done
xdotool type --delay 30 777; sleep 0.1
click "$wid" 348 $((660 + top))     # 計算: the item takes the new W
[ -n "$shot" ] && import -window root -crop "$((WIDTH + 900))x${HEIGHT}+0+0" "$shot" 2>/dev/null || true
# 名前を付けて保存 by its mnemonic, then the file dialog's name field.
xdotool key alt+f; sleep 0.3; xdotool key a; sleep 1
xdotool type --delay 20 "$work/saved.csv"; xdotool key Return; sleep 1
# 終了: nothing unsaved, so no question.
xdotool windowfocus "$wid"; sleep 0.3
xdotool key alt+f; sleep 0.3; xdotool key x
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app_pid" 2>/dev/null; then echo "the program did not quit"; exit 1; fi
[ -f "$work/saved.csv" ] || { echo "nothing was saved"; cat "$work/app.log"; exit 1; }

python3 - "$work/schedule.csv" "$work/saved.csv" <<'PY'
import csv, sys
def rows(path):
    with open(path, encoding="utf-8-sig", newline="") as f:
        return list(csv.DictReader(f))
old, new = rows(sys.argv[1]), rows(sys.argv[2])
assert len(old) == len(new), (len(old), len(new))
assert new[0]["W"] == "777", new[0]["W"]
for o, n in zip(old, new):
    for k, v in o.items():
        if not (o is old[0] and k == "W"):
            assert n[k] == v, (k, v, n[k])
print("saved schedule: row 1 has W=777, every other cell as it was")
PY
"$check" --batch "$work/saved.csv" >"$work/table.csv" 2>/dev/null || [ $? -eq 1 ]
[ "$(wc -l <"$work/table.csv")" -eq 13 ] || { echo "the batch did not read the saved file"; exit 1; }
echo "zelvaro-check --batch reads the saved file: $(($(wc -l <"$work/table.csv") - 1)) items"
