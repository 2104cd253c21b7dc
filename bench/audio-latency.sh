#!/usr/bin/env bash
# Measures the built-in synthesizer's audio path on a private PulseAudio null sink, in the
# configuration the program chooses: note-on to the mix point (30 notes) and drop-outs while a
# chord is held for 10 s, both without real-time priority, then the output benchmarks.
#   bench/audio-latency.sh [build dir]      (default: build; needs midi-out-probe and MidiOutBench)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
shared=${TINKLA_SHARED_DIR:-$root/../shared}
tools=$shared/tools/audio-latency
[ -d "$tools" ] || { echo "audio-latency tools not found in $tools (set TINKLA_SHARED_DIR)" >&2; exit 1; }

work=$(mktemp -d)
PA_PID=
cleanup() {
  [ -n "$PA_PID" ] && kill "$PA_PID" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

flags=$(pkg-config --cflags --libs fluidsynth libpulse-simple)
gcc -O2 -o "$work/fslat" "$tools/fslat.c" $flags -lm -lpthread
gcc -O2 -o "$work/fsglitch" "$tools/fsglitch.c" $flags -lm -lpthread

eval "$("$tools/start-null-sink.sh" "$work/pa")"
export PULSE_SOURCE

read -r driver period periods < <("$build/tools/midi-out-probe/midi-out-probe")
echo "== configuration chosen: $driver, $period frames x $periods periods"
echo "== note-on to mix point"
"$work/fslat" -d "$driver" -z "$period" -c "$periods" -P 0 -n 30 -i 300 -S nullsink.monitor -C
echo "== drop-outs with a chord held for 10 s"
"$work/fsglitch" -d "$driver" -z "$period" -c "$periods" -P 0 -t 10 -S nullsink.monitor
echo "== output benchmarks"
"$build/bench/MidiOutBench"
