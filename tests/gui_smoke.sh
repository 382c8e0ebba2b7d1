#!/usr/bin/env bash
# Smoke test of the real program on a virtual X display: start `lumivane PICTURE`, find its window, click the
# "Invert red" check box where the window's layout puts it, and check on screenshots that the processed pane changed.
# Then Esc must end the program with status 0.
#   usage: gui_smoke.sh PATH/TO/lumivane PICTURE
# Exits 77 (skipped) only when xvfb-run, xauth, xdotool or ImageMagick's import/identify is not installed.
set -euo pipefail

program=$1
picture=$2

if [ -z "${LUMIVANE_SMOKE_INNER:-}" ]; then
  for tool in xvfb-run xauth xdotool import identify; do
    if ! command -v "$tool" > /dev/null 2>&1; then
      echo "SKIP: $tool is not installed (apt-get install xvfb xauth xdotool imagemagick)"
      exit 77
    fi
  done
  # The test runs inside xvfb-run. Xvfb itself now and then fails to start (a display number taken between xvfb-run's
  # check and the server's start) or hands over a display that does not answer; that is retried, a failure of the
  # test itself is not.
  started=$(mktemp)
  trap 'rm -f "$started"' EXIT
  export LUMIVANE_SMOKE_INNER=$started
  for attempt in 1 2 3; do
    rm -f "$started"
    status=0
    xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@" || status=$?
    [ -e "$started" ] && exit "$status"
    echo "Xvfb did not start (attempt $attempt)"
  done
  exit 1
fi
# xvfb-run can hand over a display that does not answer yet (or at all): wait, bounded, until it answers, and let the
# outer run start another server when it never does.
answered=0
for _ in $(seq 50); do
  if xdotool getdisplaygeometry > /dev/null 2>&1; then answered=1; break; fi
  sleep 0.1
done
if [ "$answered" != 1 ]; then
  echo "display $DISPLAY does not answer"; exit 1
fi
: > "$LUMIVANE_SMOKE_INNER"  # tells the outer run that the virtual display came up

work=$(mktemp -d)
trap 'kill "$pid" 2> /dev/null || true; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config  # the device choices of this run stay out of the user's own
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
# In a sanitizer build: the libraries under Qt keep a little memory to the end (fontconfig, D-Bus); not ours.
printf 'leak:libfontconfig.so\nleak:libdbus-1.so\n' > "$work/lsan.supp"
export LSAN_OPTIONS="suppressions=$work/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

"$program" "$picture" > "$work/program.log" 2>&1 &
pid=$!

# The title names the picture once it has been opened. Windows that come and go meanwhile can make one search fail
# with an X error, so the search is repeated (a bounded number of times).
title="Lumivane - $(basename "$picture")"
wid=
for _ in $(seq 300); do
  wid=$(xdotool search --onlyvisible --name "^${title}\$" 2> /dev/null | head -n 1) || true
  [ -n "$wid" ] && break
  kill -0 "$pid" 2> /dev/null || break
  sleep 0.1
done
if [ -z "$wid" ]; then
  echo "FAIL: no window titled \"$title\" appeared"; cat "$work/program.log"; exit 1
fi
eval "$(xdotool getwindowgeometry --shell "$wid")"  # X, Y, WIDTH, HEIGHT of the client area

# The layout: the template is 653 × 491; controls of the right-hand column move by dx, the processed pane's top by
# half of dy (truncated toward zero) and its bottom by dy.
dx=$((WIDTH - 653))
dy=$((HEIGHT - 491))
half=$((dy / 2))
pane_left=$((X + 17 + 1))           # inside the 1-pixel border
pane_top=$((Y + 247 + half + 1))
pane_width=$((305 + dx - 17 - 2))
pane_height=$((440 + dy - 247 - half - 2))
box_x=$((333 + dx + 6))             # "Invert red" (222, 112, 57, 10 dialog units): its indicator
box_y=190

shot() {  # the processed pane's client area as raw RGB bytes
  import -silent -window root -crop "${pane_width}x${pane_height}+${pane_left}+${pane_top}" +repage "rgb:$1"
}
colours() { identify -size "${pane_width}x${pane_height}" -depth 8 -format '%k' "rgb:$1"; }

# Wait (bounded) until the pane shows the picture: more than one colour.
for _ in $(seq 100); do
  shot "$work/before.rgb"
  [ "$(colours "$work/before.rgb")" -gt 1 ] && break
  sleep 0.1
done
if [ "$(colours "$work/before.rgb")" -le 1 ]; then
  echo "FAIL: the processed pane never showed the picture"; exit 1
fi

xdotool mousemove --window "$wid" "$box_x" "$box_y" click 1

changed=0
for _ in $(seq 100); do
  shot "$work/after.rgb"
  if ! cmp -s "$work/before.rgb" "$work/after.rgb"; then changed=1; break; fi
  sleep 0.1
done
if [ "$changed" != 1 ]; then
  echo "FAIL: clicking \"Invert red\" at ($box_x, $box_y) did not change the processed pane"
  exit 1
fi

# Esc ends the program at the key press; sending the key release may then find the window gone, which xdotool
# reports as an X error. Whether Esc worked is judged by the program ending, below.
xdotool key --window "$wid" Escape 2> /dev/null || true
status=0
timeout 20 tail --pid="$pid" -f /dev/null || { echo "FAIL: Esc did not end the program"; exit 1; }
wait "$pid" || status=$?
if [ "$status" != 0 ]; then
  echo "FAIL: the program ended with status $status"; cat "$work/program.log"; exit 1
fi
echo "PASS: window ${WIDTH}x${HEIGHT}, processed pane ${pane_width}x${pane_height} changed after the click"
