#!/usr/bin/env bash
# Renders the manual page and checks that every message it quotes (the DIAGNOSTICS entries and
# the quoted texts) appears exactly as the program prints it: each is matched against what the
# program printed in runs made to show it, with the page's placeholders (name, n, word, k, low,
# high) standing for any value. Exits 77 (skipped) when neither mandoc nor man is installed.
# Usage: tests/manual_test.sh SOURCE_DIR KELMOR
set -euo pipefail
source_dir=$1
kelmor=$(realpath "$2")
page=$source_dir/doc/kelmor.1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Bold and underline come as overstrikes (a character, a backspace, a character): keep the last.
plain() { sed -e 's/.\x08//g'; }
if command -v mandoc >/dev/null; then
  mandoc -T utf8 -O width=300 "$page" | plain > "$work/page.txt"
elif command -v man >/dev/null; then
  MANWIDTH=300 man -l "$page" 2>/dev/null | plain > "$work/page.txt"
else
  echo "neither mandoc nor man is installed: skipped"
  exit 77
fi

# Runs that show every message; the console text of all of them, each line without its
# leading and trailing spaces.
cd "$work"
printf '100 1\n150 1\n' > in.txt
printf '1 2\nx\n' > stops.txt
printf '100 1 0\n150 1 0\n' > columns.txt
printf '0 1\n' > outside.txt
run() { printf '%s\n' "$1" | setsid timeout 20 "$kelmor" >> console.txt || true; }
run 'in.txt 0 2 1 out.txt'
run 'in.txt 2 1.0 1 out.txt'
run 'nosuch.txt 0 2 1 out.txt'
run 'in.txt 0 2 1 in.txt'
run '/dev/stdin 0 2 1 out.txt'
run '/proc/self/mem 0 2 1 out.txt'
run 'in.txt 0 2 1 /dev/full'
run 'stops.txt 0 2 1 out.txt'
run 'columns.txt 0 2 1 out.txt'
run 'outside.txt 0 2 1 out.txt'
(ulimit -v 65536; head -c 100000000 /dev/zero | tr '\0' n | setsid timeout 20 "$kelmor" \
  >> console.txt) || true
sed -e 's/^ *//' -e 's/ *$//' console.txt > printed.txt

# The DIAGNOSTICS entries are the lines indented by five spaces in that section; quoted texts
# stand in curly quotes.
messages=$(
  awk '/^DIAGNOSTICS/ { on = 1; next } /^[A-Z]/ { on = 0 } on && /^     [^ ]/' page.txt |
    sed 's/^ *//'
  grep -o '“[^”]*”' page.txt | sed 's/^“//; s/”$//'
)
count=0
while IFS= read -r message; do
  [[ -n $message ]] || continue
  pattern=$(printf '%s' "$message" | sed -e 's/[][\.*^$+?(){}|/]/\\&/g' \
    -e 's/: name$/: .+/' -e 's/line n,/line [0-9]+,/' -e 's/"word"/".+"/' \
    -e 's/holds k numbers/holds [0-9]+ numbers/' -e 's/low Hz to high Hz/[0-9.]+ Hz to [0-9.]+ Hz/')
  if ! grep -Eqx -- "$pattern" printed.txt; then
    echo "the manual page quotes a message the program does not print: $message"
    exit 1
  fi
  count=$((count + 1))
done <<< "$messages"
((count >= 10)) || { echo "only $count messages found in the page"; exit 1; }
echo "manual page: $count messages, each as the program prints it"
