#!/usr/bin/env bash
# The project workflow with the real program under an X server, by real key
# presses to the focused widget: open a schedule from the command line, pick
# an item in 機器リスト, change its W in the main window and 計算; Ctrl+Z in
# the list; 計算 while the filter hides the item; undo of 追加; another item
# picked with changes in the form. After each step Ctrl+S saves the project
# over the opened file, which must then hold what the step should leave.
#
#   x11_project_session.sh ZELVARO ZELVARO_CHECK EXAMPLES_DIR [SCREENSHOT_PREFIX]
# Exit 77 (skipped) when no X server can be started here.
set -euo pipefail
app=$1
check=$2
examples=$3
shots=${4:-}

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
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; sleep 0.3; }
key() { xdotool windowfocus "$1"; sleep 0.2; xdotool key "${@:2}"; sleep 0.3; }
shot() { [ -n "$shots" ] && import -window root -crop "$((WIDTH + 900))x${HEIGHT}+0+0" "$shots-$1.png" 2>/dev/null || true; }
# The W field of the floor-mounted item, and 計算.
edit_w() { # keys after End in the W field
  click "$wid" 280 $((265 + top))
  xdotool key End "$@"; sleep 0.1
}
calculate() { click "$wid" 348 $((660 + top)); }
save() { key "$1" ctrl+s; sleep 0.5; }
# Row ROW's (from 1) cell COLUMN of the saved file, and the number of rows.
cell() {
  python3 - "$work/schedule.csv" "$1" "$2" <<'PY'
import csv, sys
with open(sys.argv[1], encoding="utf-8-sig", newline="") as f:
    rows = list(csv.DictReader(f))
print(rows[int(sys.argv[2]) - 1][sys.argv[3]] if sys.argv[2] != "0" else len(rows))
PY
}
expect() { # WHAT GOT WANTED
  [ "$2" = "$3" ] || { echo "$1: $2, expected $3"; cat "$work/app.log"; exit 1; }
  echo "$1: $2"
}

# Without a window manager both windows sit at +0+0: the list on top. Its
# first item row lies below the buttons and the header; pick it, then move
# the list beside the main window (positions stay window-relative).
click "$lid" 60 66
xdotool windowmove "$lid" "$WIDTH" 0; sleep 0.3
edit_w BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace 7 7 7
calculate
save "$wid"
expect "計算 writes the picked item's W" "$(cell 1 W)" 777
shot 1-calculated

# Ctrl+Z in the list: the item and the form have the old W again, and 計算
# still writes to that item (the form's W, one more digit typed).
key "$lid" ctrl+z
save "$lid"
expect "Ctrl+Z in the list gives back W" "$(cell 1 W)" 500
edit_w BackSpace 1
calculate
save "$wid"
expect "計算 after Ctrl+Z writes to the same item" "$(cell 1 W)" 501
shot 2-undone

# The filter hides the passing item; 計算 still writes to it.
click "$lid" 60 66
key "$lid" shift+Tab space # from the table back to the filter's check box
shot 3a-filter
edit_w BackSpace 2
calculate
save "$wid"
expect "計算 writes to the item the filter hides" "$(cell 1 W)" 502
shot 3-filtered
key "$lid" space # the filter off: the item shows again
shot 4-unfiltered

# 追加, then Ctrl+Z: the form holds no item of the list, 計算 changes none.
key "$wid" alt+l; xdotool key a; sleep 0.8
xdotool type --delay 30 N-9; xdotool key Tab; xdotool type --delay 30 NEW; xdotool key Return; sleep 0.5
save "$wid"
expect "追加 adds a row" "$(cell 0 x)" 13
key "$lid" ctrl+z
edit_w BackSpace 3
calculate
save "$wid"
expect "計算 after the undone 追加 adds nothing" "$(cell 0 x)" 12
expect "計算 after the undone 追加 changes no row" "$(cell 1 W)" 502
shot 5-outside

# Another item picked while the form holds changes: the question.
click "$lid" 60 66
edit_w BackSpace 4
key "$lid" Down
qid=$(find_window '^入力の反映$')
shot 6-question
key "$qid" Escape
save "$wid"
expect "キャンセル keeps the changes out of the project" "$(cell 1 W)" 502

# 終了: nothing unsaved, so no question.
key "$wid" alt+f; xdotool key x
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app_pid" 2>/dev/null; then echo "the program did not quit"; exit 1; fi
"$check" --batch "$work/schedule.csv" >"$work/table.csv" 2>/dev/null || [ $? -eq 1 ]
[ "$(wc -l <"$work/table.csv")" -eq 13 ] || { echo "the batch did not read the saved file"; exit 1; }
echo "zelvaro-check --batch reads the saved file: $(($(wc -l <"$work/table.csv") - 1)) items"
