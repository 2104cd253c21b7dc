#!/usr/bin/env bash
# Tinkla's one entry point for a fresh Debian 12 machine.
#   ./build.sh start   install what building and running need, build, and start the keyboard
#   ./build.sh test    install that and what the tests need, build, and run every test:
#                      unit, end-to-end and install tests, then the AddressSanitizer+UBSan build,
#                      the ThreadSanitizer run of the concurrency tests and the fuzzers.
#   ./build.sh check   the fast edit-test loop: no package installs, no sanitizers; builds what
#                      changed in build/ and runs the unit tests (not the end-to-end ones).
set -euo pipefail
cd "$(dirname "$0")"
root=$PWD
jobs=$(nproc)
fuzz_seconds=${TINKLA_FUZZ_SECONDS:-60}

configure_and_build() { # <dir> [cmake args...]; $targets, when set, limits what is built
  local dir=$1; shift
  cmake -S "$root" -B "$dir" -G "Unix Makefiles" "$@" >/dev/null
  cmake --build "$dir" -j "$jobs" ${targets:+--target $targets}
}

declare -i passed=0 failed=0
run_ctest() { # <dir> [ctest args...]
  local dir=$1; shift
  local log=$dir/ctest.log status=0
  (cd "$dir" && ctest --output-on-failure -j "$jobs" "$@") 2>&1 | tee "$log" || status=1
  local summary
  summary=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1 || true)
  if [[ $summary =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
    failed+=${BASH_REMATCH[1]}
    passed+=$(( BASH_REMATCH[2] - BASH_REMATCH[1] ))
  elif [ $status -ne 0 ]; then
    failed+=1
  fi
  return 0
}

run_fuzzers() { # <dir>
  local dir=$root/$1 seeds=$root/../shared/midi-corpus
  [ -d "$seeds" ] || { echo "fuzz: no seed corpus at $seeds, fuzzing from scratch"; seeds=; }
  shopt -s nullglob
  for target in "$dir"/fuzz/*Fuzz; do
    local work
    work=$(mktemp -d)
    echo "== fuzz $(basename "$target") for ${fuzz_seconds} s"
    # Seed files live in subfolders; libFuzzer reads each folder it is given.
    local seed_dirs=()
    [ -n "$seeds" ] && mapfile -t seed_dirs < <(find "$seeds" -type f -printf '%h\n' | sort -u)
    # Inputs of up to 8 KB hold a header and several tracks, enough to reach every path of the
    # reader; the corpus's larger songs only repeat those paths and cut the runs per second tenfold.
    if (cd "$work" && "$target" -max_total_time="$fuzz_seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
          -print_final_stats=1 "$work" "${seed_dirs[@]}" > "$work/log" 2>&1); then
      passed+=1
      tail -12 "$work/log"
    else
      failed+=1
      tail -60 "$work/log"
      echo "fuzz: $(basename "$target") found a failure; inputs are in $work"
    fi
  done
}

case "${1:-start}" in
  start)
    "$root/scripts/setup-debian.sh" run
    configure_and_build build
    exec build/app/tinkla
    ;;
  test)
    "$root/scripts/setup-debian.sh" test
    configure_and_build build -DTINKLA_TESTS=ON
    run_ctest build
    echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
    configure_and_build build-asan -DCMAKE_BUILD_TYPE=Debug -DTINKLA_SANITIZE=address,undefined -DTINKLA_TESTS=ON
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
      run_ctest build-asan -LE e2e
    echo "== ThreadSanitizer (concurrency tests)"
    configure_and_build build-tsan -DCMAKE_BUILD_TYPE=Debug -DTINKLA_SANITIZE=thread -DTINKLA_WITH_UI=OFF -DTINKLA_TESTS=ON
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 run_ctest build-tsan -L concurrency
    echo "== libFuzzer (AddressSanitizer + UndefinedBehaviorSanitizer)"
    CXX=clang++ targets=fuzzers configure_and_build build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTINKLA_FUZZ=ON \
      -DTINKLA_WITH_UI=OFF -DTINKLA_SANITIZE=address,undefined
    run_fuzzers build-fuzz
    echo "tests: $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
    ;;
  check)
    # Reuses build/ as configured before (./build.sh test configures it the first time), so an
    # unchanged tree costs only make's look at the timestamps and the unit tests' run.
    [ -f build/CMakeCache.txt ] || cmake -S "$root" -B build -G "Unix Makefiles" -DTINKLA_TESTS=ON >/dev/null
    cmake --build build -j "$jobs"
    run_ctest build -LE e2e
    echo "tests: $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
    ;;
  *)
    echo "usage: $0 start|test|check" >&2
    exit 2
    ;;
esac
