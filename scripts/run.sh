#!/usr/bin/env bash
# Installs what is missing, builds Lumivane and starts it: the window `lumivane` opens with the bundled sample picture
# (resources/sample.png). First the same picture goes through lumivane-cli (with the bundled sample profile when there
# is one) into out/sample-corrected.png.
#
# Without a display (no DISPLAY or WAYLAND_DISPLAY) the window is started on a virtual X display instead: a
# screenshot of it is written to out/lumivane-window.png and the window is closed again.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build --target lumivane-cli lumivane

mkdir -p out
profile=()
[ -f resources/sample.qmx ] && profile=(--profile resources/sample.qmx)
build/cli/lumivane-cli apply "${profile[@]}" resources/sample.png -o out/sample-corrected.png
echo "lumivane-cli corrected resources/sample.png: the result is $(pwd)/out/sample-corrected.png"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo "Starting the Lumivane window with resources/sample.png (close it with Esc or its close button)"
  exec build/app/lumivane resources/sample.png
fi

echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): Lumivane's window needs one to be seen."
echo "Starting it on a virtual X display to show that it runs; a screenshot goes to out/lumivane-window.png."
demo=$(mktemp)
cat > "$demo" << 'DEMO'
set -euo pipefail
export XDG_RUNTIME_DIR=$(mktemp -d)
build/app/lumivane resources/sample.png &
pid=$!
wid=
for _ in $(seq 300); do  # up to 30 s for the window with the picture in it
  wid=$(xdotool search --onlyvisible --name '^Lumivane - sample.png$' 2> /dev/null | head -n 1) || true
  [ -n "$wid" ] && break
  sleep 0.1
done
[ -n "$wid" ] || { echo "The window did not appear."; kill "$pid"; exit 1; }
sleep 1  # let it paint
import -silent -window "$wid" out/lumivane-window.png
# Esc ends the program at the key press, so sending the key release reports a vanished window: not an error here.
xdotool key --window "$wid" Escape 2> /dev/null || true
wait "$pid"
DEMO
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$demo"
rm -f "$demo"
echo "Lumivane's window ran with resources/sample.png: screenshot in $(pwd)/out/lumivane-window.png"
