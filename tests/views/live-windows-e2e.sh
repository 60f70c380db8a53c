#!/usr/bin/env bash
# End to end: the real VisualORV under Xvfb, reading orv-sim on loopback, with the three live
# windows marked open in its settings. It must run past one chart redraw with the three windows
# open, end on SIGTERM, and leave them marked open with their placements in the settings file.
# Usage: live-windows-e2e.sh VISUALORV ORV_SIM SCREENSHOT_DIR [LANG]
set -euo pipefail
program=$1 sim=$2 shots=$3 lang=${4:-de_DE.UTF-8}

. "$(dirname "$0")/../support/e2e-common.sh"
start_sim --rate 1 --temp 21.5 --rh 48.5

ini="$work/data/VisualORV/VisualORV.Ini"
mkdir -p "$(dirname "$ini")"
cat >"$ini" <<INI
[Main]
Language=de
[General]
Mode=1
[Winsock]
IP=127.0.0.1
Port=$port
[MainWindow]
WindowGraph=1
WindowMonitor=1
WindowOnline=1
[GrafWindow]
Left=300
Top=150
Width=7000
Height=4000
[MonWindow]
Left=7600
Top=150
[OnlineWindow]
Left=1500
Top=6000
Height=1200
INI

# The whole run inside one X server: start, wait, screenshot, SIGTERM, wait for the end.
cat >"$work/inside.sh" <<'INSIDE'
set -u
"$ORV_PROGRAM" 2>"$ORV_WORK/stderr" &
pid=$!
echo "$pid" >"$ORV_WORK/pid"
# Past one chart redraw (every 10 s) with values shown.
for _ in $(seq 300); do
  grep -qE 'redraws=([2-9]|[0-9]{2,})' "$ORV_WORK/windows" 2>/dev/null && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
cp "$ORV_WORK/windows" "$ORV_WORK/windows.before" 2>/dev/null
xdotool search --name 'gemessene Temperatur' >"$ORV_WORK/xwindows" 2>/dev/null
import -window root "$ORV_SHOTS/live-e2e-screen.png" 2>/dev/null
kill -TERM "$pid"
wait "$pid"
echo $? >"$ORV_WORK/rc"
INSIDE

mkdir -p "$shots"
env -u LC_ALL -u LC_NUMERIC -u LANGUAGE LANG="$lang" XDG_DATA_HOME="$work/data" \
  ORV_WINDOW_REPORT="$work/windows" ORV_PROGRAM="$program" ORV_WORK="$work" ORV_SHOTS="$shots" \
  timeout 90 xvfb-run -a -s "-screen 0 1280x900x24" bash "$work/inside.sh" || fail "the run did not finish"

[ -f "$work/windows.before" ] || fail "the program reported no live windows"
echo "live windows before SIGTERM:"; sed 's/^/  /' "$work/windows.before"
grep -qE '^frmOnline	1	.*gemessene Temperatur' "$work/windows.before" || fail "online values window not open with values"
grep -qE '^frmOnlGraf	1	Messwerte-Diagramm \(Online\)	redraws=([2-9]|[0-9]{2,})' "$work/windows.before" \
  || fail "online chart not open or not redrawn by its timer"
grep -qE '^frmMonitor	1	' "$work/windows.before" || fail "RS232 monitor not open"
# The separate window is a real top-level window of the X server.
[ -s "$work/xwindows" ] || fail "the window system does not know the online values window"
[ "$(cat "$work/rc")" = 0 ] || fail "exit code $(cat "$work/rc") after SIGTERM"

value() { sed -n "/^\[$1\]/,/^\[/{s/^$2=//p}" "$ini" | tr -d '\r' | head -1; }
for k in WindowGraph WindowMonitor WindowOnline; do
  [ "$(value MainWindow "$k")" = 1 ] || fail "MainWindow/$k is '$(value MainWindow "$k")', not 1"
done
for k in GrafWindow:Left GrafWindow:Top GrafWindow:Width GrafWindow:Height MonWindow:Left \
         MonWindow:Top OnlineWindow:Left OnlineWindow:Top OnlineWindow:Height; do
  v=$(value "${k%%:*}" "${k#*:}")
  [[ "$v" =~ ^-?[0-9]+$ ]] || fail "${k%%:*}/${k#*:} missing after the exit ('$v')"
done
[ "$(value OnlineWindow Height)" = 1200 ] || fail "OnlineWindow/Height changed to $(value OnlineWindow Height)"
[ "$(value GrafWindow Width)" -gt 6000 ] || fail "GrafWindow/Width $(value GrafWindow Width)"
echo "PASS: three live windows open past a chart redraw, marks and placements kept through SIGTERM"
