#!/usr/bin/env bash
# End to end: the real VisualORV under Xvfb reads orv-sim on loopback, whose humidity climbs until
# the air is within 2 K of condensing. With the rule "margin<2" in its settings the dew point box
# must turn to the alarm colour; the alarm dialog opens from the Preferences menu and checks a
# rule as it is typed. Screenshots of both go to SCREENSHOT_DIR.
# Usage: alarms-e2e.sh VISUALORV ORV_SIM SCREENSHOT_DIR LANG(de_DE.UTF-8|en_US.UTF-8)
set -euo pipefail
program=$1 sim=$2 shots=$3 lang=$4
case $lang in
  de*) language=de menu_key=alt+e title=Alarme suffix=de ;;
  *) language=eng menu_key=alt+p title=Alarms suffix=en ;;
esac

. "$(dirname "$0")/../support/e2e-common.sh"

{
  echo "# 20 °C; the humidity climbs from 80 % to 93 %: dew point 18.8 °C, 1.2 K below"
  for _ in 1 2 3 4; do echo "20.0 80.0"; done
  for _ in $(seq 200); do echo "20.0 93.0"; done
} >"$work/script.txt"
start_sim --rate 2 --script "$work/script.txt"

ini="$work/data/VisualORV/VisualORV.Ini"
mkdir -p "$(dirname "$ini")"
cat >"$ini" <<INI
[Main]
Language=$language
[General]
Mode=1
[Winsock]
IP=127.0.0.1
Port=$port
[Alarms]
Rule1=margin<2
INI

cat >"$work/inside.sh" <<'INSIDE'
set -u
"$ORV_PROGRAM" 2>"$ORV_WORK/stderr" &
pid=$!
# The first visible window whose title matches, waiting up to ten seconds.
window() {
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 | grep . && return
    sleep 0.1
  done
}
main=$(window '^VisualORV')
# The crossing comes after two seconds; give it time to arrive.
sleep 6
[ -n "$main" ] && import -window "$main" "$ORV_SHOTS/alarm-main-window-$ORV_SUFFIX.png"
xdotool windowfocus --sync "$main" 2>/dev/null
xdotool key "$ORV_MENU_KEY" && sleep 0.5 && xdotool key a
dialog=$(window "^$ORV_TITLE\$")
if [ -n "$dialog" ]; then
  echo "$dialog" >"$ORV_WORK/dialog"
  xdotool type --delay 40 'humidity>>70'
  sleep 0.5
  import -window "$dialog" "$ORV_SHOTS/alarm-dialog-$ORV_SUFFIX.png"
  xdotool key Escape
fi
kill -TERM "$pid"
wait "$pid"
echo $? >"$ORV_WORK/rc"
INSIDE

mkdir -p "$shots"
env -u LC_ALL -u LC_NUMERIC -u LANGUAGE LANG="$lang" XDG_DATA_HOME="$work/data" \
  ORV_PROGRAM="$program" ORV_WORK="$work" ORV_SHOTS="$shots" ORV_SUFFIX="$suffix" \
  ORV_MENU_KEY="$menu_key" ORV_TITLE="$title" \
  timeout 90 xvfb-run -a -s "-screen 0 1024x700x24" bash "$work/inside.sh" || fail "the run did not finish"

main_shot="$shots/alarm-main-window-$suffix.png"
[ -f "$main_shot" ] || fail "no main window"
# The share of the window painted in the alarm colour: the dew point box, some 3 %.
red=$(convert "$main_shot" -fuzz 4% -fill black +opaque '#c62828' -fill white -opaque '#c62828' \
  -format '%[fx:mean]' info:)
echo "alarm colour covers $red of the main window"
awk -v r="$red" 'BEGIN { exit !(r > 0.015) }' || fail "no value box in the alarm colour"
[ -f "$work/dialog" ] || fail "the alarm dialog did not open from the Preferences menu"
[ -f "$shots/alarm-dialog-$suffix.png" ] || fail "no screenshot of the alarm dialog"
[ "$(cat "$work/rc")" = 0 ] || fail "exit code $(cat "$work/rc") after SIGTERM"
echo "PASS: margin<2 set off against the simulator, alarm dialog opened ($lang)"
