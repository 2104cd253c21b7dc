#!/bin/sh
# midi-dump's output format and its error exit, on files made here. Usage: MidiDumpTest.sh MIDI-DUMP
set -eu
dump=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# One track: Set Tempo 500000, a Note On, then a text meta event "A" 96 ticks later.
track='MTrk\0\0\0\020\0\377\121\3\7\241\040\0\220\074\144\140\377\1\1A'
printf "MThd\0\0\0\6\0\1\0\1\0\140$track" > "$dir/one.mid"
"$dump" "$dir/one.mid" > "$dir/out"
printf '%s\n' 'format=1 tracks=1 tpq=96 bpm=120 usPerTick=5208.333' '0 0 FF 51 00 07A120' \
    '0 0 90 3C 64 -' '0 96 FF 01 00 41' > "$dir/expected"
diff "$dir/expected" "$dir/out"

# Two tracks announced, one present: what was read, then the error and exit status 1.
printf "MThd\0\0\0\6\0\1\0\2\0\140$track" > "$dir/short.mid"
status=0
"$dump" "$dir/short.mid" > "$dir/out" 2> "$dir/err" || status=$?
[ "$status" -eq 1 ] || { echo "exit status $status, expected 1"; exit 1; }
sed -i 's/tracks=1/tracks=2/' "$dir/expected"
diff "$dir/expected" "$dir/out"
grep -q '^error: unexpected end of file' "$dir/err" || { cat "$dir/err"; exit 1; }
echo "midi-dump: 2 passed, 0 failed"
