#!/usr/bin/env bash
# Renders the example report with tools/kelmor-plot and checks that plausible PNGs appear.
# Exits 77 (skipped) when gnuplot is not installed.
set -euo pipefail
source_dir=$1
plot=$source_dir/tools/kelmor-plot
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Without gnuplot on the PATH the script says so and fails.
if message=$(PATH=/nonexistent /bin/bash "$plot" "$source_dir/examples/bands.txt" "$work/x.png" 2>&1); then
  echo "kelmor-plot succeeded without gnuplot"; exit 1
fi
[[ $message == *"gnuplot is not installed"* ]] || { echo "unexpected message: $message"; exit 1; }

command -v gnuplot >/dev/null || { echo "gnuplot not installed: skipped"; exit 77; }

check_png() {
  local size
  size=$(stat -c %s "$1")
  [[ $(head -c 8 "$1" | od -An -tx1 | tr -d ' \n') == 89504e470d0a1a0a ]] || { echo "$1 is not a PNG"; exit 1; }
  ((size > 5000 && size < 2000000)) || { echo "$1 has an implausible size: $size"; exit 1; }
}
"$plot" "$source_dir/examples/bands.txt" "$work/linear.png"
check_png "$work/linear.png"
"$plot" --log "$source_dir/examples/bands.txt" "$work/log.png"
check_png "$work/log.png"
# A one-third-octave report with an infinite band: drawn, and a note says so.
printf '\n \t       1.00 \t  0.0000e+000\n \t       1.25 \t  2.0000e+000\n \t       1.60 \t         inf\n \t       2.00 \t  1.0000e-001' > "$work/third.txt"
note=$("$plot" "$work/third.txt" "$work/third.png")
check_png "$work/third.png"
[[ $note == *"1 band(s) with an infinite level"*"marked inf"* ]] || { echo "no note on the infinite band: $note"; exit 1; }
printf '\n \t       1.00 \t  0.0000e+000' > "$work/zero.txt"
if "$plot" --log "$work/zero.txt" "$work/zero.png" 2>/dev/null; then
  echo "a logarithmic plot of zero levels succeeded"; exit 1
fi
echo "plots ok"
