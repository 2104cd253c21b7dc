#!/usr/bin/env bash
# Measures the built-in synthesizer's audio path on a private PulseAudio null sink, as an ordinary
# user gets it (no real-time priority: a root run gives up CAP_SYS_NICE), with the other core idle
# and then kept busy by a loop:
#   - SynthAudioBench: the program's own path (device 0, late SoundFont, parking): note-on to the
#     mix point with the output running and parked, and drop-outs in 10 s of a held chord;
#   - fslat and fsglitch: FluidSynth alone in the configuration the program chooses;
# then the output benchmarks.
#   bench/audio-latency.sh [build dir]   (default: build; needs SynthAudioBench, midi-out-probe, MidiOutBench)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
shared=${TINKLA_SHARED_DIR:-$root/../shared}
tools=$shared/tools/audio-latency
[ -d "$tools" ] || { echo "audio-latency tools not found in $tools (set TINKLA_SHARED_DIR)" >&2; exit 1; }

work=$(mktemp -d)
PA_PID=
BUSY_PID=
cleanup() {
  [ -n "$BUSY_PID" ] && kill "$BUSY_PID" 2>/dev/null || true
  [ -n "$PA_PID" ] && kill "$PA_PID" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

flags=$(pkg-config --cflags --libs fluidsynth libpulse-simple)
gcc -O2 -o "$work/fslat" "$tools/fslat.c" $flags -lm -lpthread
gcc -O2 -o "$work/fsglitch" "$tools/fsglitch.c" $flags -lm -lpthread

eval "$("$tools/start-null-sink.sh" "$work/pa")"
export PULSE_SOURCE

user=()
[ "$(id -u)" -eq 0 ] && user=(setpriv --bounding-set -sys_nice)

read -r driver period periods < <("$build/tools/midi-out-probe/midi-out-probe")
echo "== configuration chosen: $driver, $period frames x $periods periods"
for busy in idle busy; do
  if [ $busy = busy ]; then
    (while :; do :; done) &
    BUSY_PID=$!
  fi
  echo "== other core $busy, load average $(cut -d' ' -f1-3 /proc/loadavg)"
  "${user[@]}" "$build/bench/SynthAudioBench" latency nullsink.monitor
  "${user[@]}" "$build/bench/SynthAudioBench" dropouts nullsink.monitor
  echo "-- FluidSynth alone, same configuration"
  "$work/fslat" -d "$driver" -z "$period" -c "$periods" -P 0 -n 30 -i 300 -S nullsink.monitor -C \
    | grep -E 'monitor arrival|during the test'
  "$work/fsglitch" -d "$driver" -z "$period" -c "$periods" -P 0 -t 10 -S nullsink.monitor
  if [ -n "$BUSY_PID" ]; then
    kill "$BUSY_PID"
    BUSY_PID=
  fi
done
echo "== memory while playing"
"${user[@]}" "$build/bench/SynthAudioBench" memory nullsink.monitor
echo "== output benchmarks"
"$build/bench/MidiOutBench"
