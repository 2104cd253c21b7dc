#!/usr/bin/env bash
# Memory and time of reading 64 MB files no song looks like, with midi-dump --summary (Clear +
# ReadFile, as the window reads, and only the event counts printed): the goal is at most 16 times the file's size plus 50 MB of memory and
# under 2 s each. The largest file of the shared corpus is read the same way for comparison.
#   bench/hostile-files.sh [build dir]      (default: build; needs midi-dump)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
dump=$build/tools/midi-dump/midi-dump
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One 64 MB track chunk repeating a pattern: zero bytes (one status-less event per byte), 16-byte
# system-exclusive events, empty text meta events and running-status program changes.
python3 - "$work" <<'PY'
import struct, sys
size = 64 << 20
for name, pattern in [("zeros", b"\0"), ("sysex16", b"\0\xf0\x10" + b"A" * 16),
                      ("empty-meta", b"\0\xff\x01\0"), ("program-changes", b"\0\xc0" + b"\0\x05" * 8)]:
    with open("%s/%s.mid" % (sys.argv[1], name), "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, 96) + b"MTrk" + struct.pack(">I", size))
        f.write((pattern * (size // len(pattern) + 1))[:size])
PY
largest=$(find "$root/../shared/midi-corpus" -name '*.mid' -printf '%s %p\n' 2>/dev/null | sort -n | tail -1 | cut -d' ' -f2-)

printf '%-22s %10s %12s %12s %9s  %s\n' file bytes "max RSS KB" "bound KB" seconds result
for file in "$work"/*.mid ${largest:+"$largest"}; do
  bytes=$(stat -c %s "$file")
  /usr/bin/time -f '%M %e' -o "$work/time" "$dump" --summary "$file" > /dev/null 2> "$work/err" || true
  read -r rss seconds < <(tail -1 "$work/time")
  result=$(grep -q '^error:' "$work/err" && sed 's/^error: //' "$work/err" | cut -c1-40 || echo read)
  printf '%-22s %10d %12d %12d %9s  %s\n' "$(basename "$file")" "$bytes" "$rss" \
    $(( (16 * bytes + (50 << 20)) / 1024 )) "$seconds" "$result"
done
