#!/usr/bin/env bash
# Wall time, peak memory and exit status of lumivane-cli on each small hostile input, one line each.
#   bench/hostile_inputs.sh BUILD_FOLDER [CLI]
# The inputs come from lumivane-hostile-files (tests/fuzz); every run is held to 4 GB of address space and 120 s so
# that an old build cannot take the machine down.
set -uo pipefail
build=${1:?usage: hostile_inputs.sh BUILD_FOLDER [CLI]}
cli=${2:-$build/cli/lumivane-cli}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tests/fuzz/lumivane-hostile-files" "$work"
"$cli" apply "$work/jpeg-64-3-scans.jpg" -o "$work/small.png"

measure() {
  local label=$1
  shift
  /usr/bin/time -f "%e %M %x" -o "$work/time" timeout 120 prlimit --as=4294967296 "$@" >/dev/null 2>"$work/err"
  read -r seconds kilobytes code < <(tail -n 1 "$work/time")
  printf '%-44s %7ss %8d MB  exit %-3s %s\n' "$label" "$seconds" $((kilobytes / 1024)) "$code" \
    "$(grep -v '^Command' "$work/err" | tail -n 1 | cut -c1-110)"
}

measure "BMP 2147483647 x 0 (54 bytes)" "$cli" apply "$work/bmp-2147483647x0.bmp" -o "$work/o1.png"
measure "progressive JPEG 16384^2, 1000 scans" "$cli" apply "$work/jpeg-16384-1000-scans.jpg" -o "$work/o2.png"
measure "progressive JPEG 4096^2, 1000 scans" "$cli" apply "$work/jpeg-4096-1000-scans.jpg" -o "$work/o3.png"
measure "profile: resize to 268435456 x 1, PNG" "$cli" apply --profile "$work/resize-268435456x1.qmx" \
  "$work/small.png" -o "$work/o4.png"
measure "--profile /dev/zero" "$cli" apply --profile /dev/zero "$work/small.png" -o "$work/o5.png"
measure "profile show /dev/zero" "$cli" profile show /dev/zero
mkfifo "$work/fifo.qmx"
measure "--profile FIFO without a writer (cut at 120 s)" "$cli" apply --profile "$work/fifo.qmx" "$work/small.png" \
  -o "$work/o6.png"
# 1 GB of valid lines (a sparse copy would be refused as well, but this is what a user would have).
yes 'm_bBlur=0' | head -c 1073741824 >"$work/big.qmx"
measure "1 GB profile of valid lines" "$cli" apply --profile "$work/big.qmx" "$work/small.png" -o "$work/o7.png"
rm -f "$work/big.qmx"

# A save killed part-way: what is left in the folder besides the old file.
mkdir "$work/kill"
cp "$work/small.png" "$work/kill/out.png"
"$cli" apply "$work/jpeg-64-3-scans.jpg" -o "$work/big.bmp" --set m_bResize=1 --set m_nSizeX=8000 --set m_nSizeY=8000 \
  >/dev/null 2>&1
left=0
for attempt in 1 2 3 4 5; do
  "$cli" apply "$work/big.bmp" -o "$work/kill/out.png" &
  pid=$!
  sleep 1.5
  kill -9 "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  left=$(find "$work/kill" -mindepth 1 ! -name out.png | wc -l)
done
printf '%-44s %s files left beside the old one after 5 killed saves\n' "killed while saving" "$left"
