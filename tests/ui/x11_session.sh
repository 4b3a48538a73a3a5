#!/usr/bin/env bash
# A new user's session with the real window under an X server, driven by
# synthetic mouse and keyboard input: shape, anchor, material, a diameter
# from the list, the fields typed, 計算, right-click and Copy. The clipboard
# must then hold the report that zelvaro-check prints for the same inputs.
#
# A second copy started with a file hands it to the running window.
#
#   x11_session.sh ZELVARO ZELVARO_CHECK EXAMPLES_DIR [SCREENSHOT.png]
# Exit 77 (skipped) when no X server can be started here.
set -euo pipefail
app=$1
check=$2
examples=$3
shot=${4:-}

source "$(dirname "$0")/x11_common.sh"
x11_start 1024x768 xclip
"$app" >"$work/app.log" 2>&1 &
pids+=($!)
wid=$(find_window '^Zelvaro1\.070716$')
sleep 0.5

# Window-relative positions of the controls (the layout's pixels), below
# the menu bar: whatever the window has above the form's 681 pixels.
eval "$(xdotool getwindowgeometry --shell "$wid")"
top=$((HEIGHT - 681))
click() { xdotool mousemove --window "$wid" "$1" "$(($2 + top))" click "${3:-1}"; sleep 0.15; }
type_into() { click "$1" "$2"; xdotool type --delay 30 "$3"; sleep 0.1; }

click 22 32          # 床置機器
click 14 152         # ﾎｰｸｶｯﾄｱﾝｶ
click 150 164        # SS系ﾎﾞﾙﾄ
click 370 162        # ﾎﾞﾙﾄ径: open the list by its arrow
sleep 0.3
xdotool key Down Down Return   # 8, 10, 12: the list opens on its first item
sleep 0.2
# The wheel over the closed diameter box changes nothing; junk typed into
# KH and Z is discarded key by key.
xdotool mousemove --window "$wid" 340 $((162 + top)) click 5 click 5 click 4 click 5
sleep 0.2
type_into 380 186 'a-x .,1'   # KH: 2.0 -> 2.01 (the digit passes)
xdotool key BackSpace
type_into 345 210 'z- ..q'    # Z stays 1.0
type_into 280 265 500    # 機器重量W
type_into 296 289 4      # ｱﾝｶ総数n
type_into 380 265 50     # L
type_into 508 265 60     # HG
type_into 620 265 30     # LG
click 348 660        # 計算
sleep 0.5
[ -n "$shot" ] && import -window root -crop "${WIDTH}x${HEIGHT}+0+0" "$shot" 2>/dev/null || true
# KH and Z keep their defaults 2.0 and 1.0.
click 300 450        # a click selects the whole report: the primary selection
primary=$(xclip -o -selection primary 2>/dev/null || true)
click 300 450 3      # right-click the report: the context menu
sleep 0.3
xdotool key c        # コピー(C)
sleep 0.3

clip=$(xclip -o -selection clipboard 2>/dev/null || true)
expected=$("$check" --shape floor --anchor hawk-cut --material SS M=12 KH=2.0 Z=1.0 W=500 n=4 L=50 HG=60 LG=30)
if [ "$(tail -n +2 <<<"$clip")" != "$(tail -n +2 <<<"$expected")" ]; then
  echo "the clipboard does not hold the command line's report"
  diff <(tail -n +2 <<<"$expected") <(tail -n +2 <<<"$clip") || true
  exit 1
fi
[ "$primary" = "$clip" ] || { echo "the primary selection does not hold the report"; exit 1; }
echo "clipboard and primary selection equal zelvaro-check's report ($(wc -l <<<"$clip") lines)"

# Two rows of four bolts with only the two end bolts in tension: n 8 and
# nt 2, typed into the field the wall uses for n2.
click 296 289; xdotool key End BackSpace; xdotool type --delay 30 8
type_into 672 289 2      # 引張側ｱﾝｶ数nt
click 348 660        # 計算
sleep 0.5
click 300 450
report=$(xclip -o -selection primary 2>/dev/null || true)
expected=$("$check" --shape floor --anchor hawk-cut --material SS M=12 KH=2.0 Z=1.0 W=500 n=8 nt=2 L=50 HG=60 LG=30)
grep -q 'n=8(本)  nt=2(本)' <<<"$report" || { echo "the report does not echo nt=2(本)"; echo "$report"; exit 1; }
[ "$(tail -n +2 <<<"$report")" = "$(tail -n +2 <<<"$expected")" ] ||
  { echo "the report with nt differs from zelvaro-check's"; diff <(tail -n +2 <<<"$expected") <(tail -n +2 <<<"$report") || true; exit 1; }
echo "n=8 nt=2 typed: the report echoes nt=2(本) and equals zelvaro-check's"

# The wall layout: the label "L1(cm)=" shows whole, from its first letter
# (the box is a little narrower than the text with the edit box's margins).
click 285 24         # 壁面機器
sleep 0.3
import -window root -crop "41x18+320+$((256 + top))" -colorspace Gray -depth 8 -compress none "pgm:$work/label.pgm" 2>/dev/null
# Dark pixels per column of the box (plain PGM: header, then grey values row by row).
columns=$(tr -s ' \n' '\n\n' <"$work/label.pgm" | awk 'NR > 4 { if ($1 < 128) ink[(NR - 5) % 41]++ }
  END { for (x = 0; x < 41; x++) printf "%d ", ink[x] + 0 }')
read -r -a ink <<<"$columns"
first=0
while [ "$first" -lt 41 ] && [ "${ink[$first]}" -eq 0 ]; do first=$((first + 1)); done
if [ "$first" -ge 41 ] || [ "${ink[$first]}" -lt 7 ] || [ "${ink[40]}" -ne 0 ]; then
  echo "the label L1(cm)= is clipped (ink per column: $columns)"
  exit 1
fi
echo "L1(cm)= shows whole (ink per column: $columns)"

# A second copy started with another TMPDIR in the same session opens no
# window: it exits 0 and the running window comes forward.
root=$(xwininfo -root | awk '/Window id:/ { print $4 }')
xdotool windowfocus "$root" 2>/dev/null || true
mkdir -p "$work/other"
TMPDIR=$work/other timeout 10 "$app" >"$work/second.log" 2>&1 || { echo "the second copy failed"; cat "$work/second.log"; exit 1; }
sleep 0.5
windows=$(xdotool search --name '^Zelvaro1\.070716$' 2>/dev/null | wc -l)
[ "$windows" -eq 1 ] || { echo "$windows windows after the second start"; exit 1; }
focus=$(xdotool getwindowfocus 2>/dev/null || true)
[ "$focus" = "$wid" ] || { echo "the running window did not come forward (focus $focus, window $wid)"; exit 1; }
echo "second copy exited 0; the running window came forward"

# With a file, the second copy hands it over and exits 0: the running
# window shows it, by an absolute path and by one relative to the second
# copy's own folder.
cp "$examples/schedule.csv" "$work/other/ポンプ室.csv"
handed() {
  timeout 10 "$app" "$1" >"$work/second.log" 2>&1 || { echo "the second copy failed"; cat "$work/second.log"; exit 1; }
  for _ in $(seq 50); do [ "$(xdotool getwindowname "$wid")" = "$2 - Zelvaro1.070716" ] && break; sleep 0.1; done
  [ "$(xdotool getwindowname "$wid")" = "$2 - Zelvaro1.070716" ] ||
    { echo "the window shows '$(xdotool getwindowname "$wid")', not $2"; exit 1; }
}
handed "$examples/schedule.csv" schedule.csv
(cd "$work/other" && handed ポンプ室.csv ポンプ室.csv)
[ "$(xdotool getwindowfocus 2>/dev/null || true)" = "$wid" ] || { echo "the window did not come forward"; exit 1; }
echo "a second copy with a file exited 0; the running window shows schedule.csv, then ポンプ室.csv"
