#!/usr/bin/env bash
# Runs kelmor.exe under wine through the recorded session and compares the transcript and the
# report with the recording, every line feed as CR LF. Then checks that the output file is
# refused when it is the input file.
# Usage: tests/windows_session.sh KELMOR_EXE
set -euo pipefail
exe=$(realpath "$1")
data=$(realpath "$(dirname "$0")/data/session-octave")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WINEDEBUG=-all WINEPREFIX=${WINEPREFIX:-$work/prefix}

crlf() { perl -pe 's/\n/\r\n/g' "$@"; }

cd "$work"
cp "$data/spectrum.txt" .
# No terminal and no console: the final key wait must end at once.
setsid timeout 300 wine "$exe" < "$data/replies.txt" > console.txt 2> wine.log
crlf "$data/console.txt" | sed 's/ADDRESS/kelmor@halvane.org/' > expected-console.txt
crlf "$data/bands.txt" > expected-bands.txt
cmp console.txt expected-console.txt
cmp bands.txt expected-bands.txt
echo "windows session: transcript and report match (CR LF)"

cp spectrum.txt copy.txt
status=0
printf 'copy.txt 2 1 1 .\\copy.txt\n' | setsid timeout 120 wine "$exe" > refused.txt 2>> wine.log ||
  status=$?
grep -q "The output file is the input file; it was left unchanged." refused.txt
cmp copy.txt spectrum.txt
[[ $status == 1 ]] || { echo "exit status $status, expected 1"; exit 1; }
echo "windows session: output = input refused, input unchanged, status 1"
