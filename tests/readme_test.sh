#!/usr/bin/env bash
# Runs the README's scripted run exactly as written, from a folder laid out like the
# repository after the release build (examples/, build/release/kelmor), and compares the report
# with the example report.
# Usage: tests/readme_test.sh SOURCE_DIR KELMOR
set -euo pipefail
source_dir=$1
kelmor=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

command=$(grep -E "^    printf '.*' \| build/release/kelmor$" "$source_dir/README.md" | sed 's/^    //')
[[ -n $command ]] || { echo "no scripted run found in the README"; exit 1; }
mkdir -p "$work/build/release"
cp -r "$source_dir/examples" "$work/"
ln -s "$kelmor" "$work/build/release/kelmor"
cd "$work"
echo "$ $command"
setsid timeout 20 bash -c "$command" > console.txt
cmp bands.txt "$source_dir/examples/bands.txt"
echo "README scripted run: report as examples/bands.txt"
