#!/usr/bin/env bash
# Installs, from Debian 12's own packages, whatever Tinkla needs that this machine does not
# have yet. Runs apt-get as root, or through sudo.
#   setup-debian.sh run    what building and running the program need
#   setup-debian.sh test   that, and what the tests, benchmarks, fuzzers and packaging need
set -euo pipefail

run_packages=(
  # build
  cmake g++ make pkg-config
  qt6-base-dev qt6-qpa-plugins qt6-translations-l10n
  libfluidsynth-dev librtmidi-dev libasound2-dev libjack-jackd2-dev
  # sound on a fresh machine: a General MIDI SoundFont for the built-in synthesizer
  fluid-soundfont-gm
  # CJK fonts standing in for the window's Song and Kai faces
  fonts-arphic-uming fonts-arphic-ukai fonts-wqy-zenhei
)
test_packages=(
  # unit tests, benchmarks and the fuzzer
  libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
  # end-to-end tests under Xvfb, sound and MIDI file checks, audio measurements
  xvfb xdotool x11-utils imagemagick sox python3-mido midicsv
  # a dummy JACK server and its jack_midiseq as the MIDI keyboard of the end-to-end test
  jackd2
  pulseaudio libpulse-dev
  # the install test: validators, the Debian package and its lint
  desktop-file-utils appstream dpkg-dev file lintian
)

case "${1:-run}" in
  run) packages=("${run_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
run_as_root=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Please run as root or install sudo: apt-get needs root." >&2; exit 1; }
  run_as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${run_as_root[@]}" apt-get update -q
"${run_as_root[@]}" apt-get install -y -q "${missing[@]}"
