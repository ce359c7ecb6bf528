#!/bin/sh
# Builds the libFuzzer targets (clang, ASan and UBSan) in build-fuzz and runs
# each for SECONDS (default 60), starting from its seed corpus in
# tests/fuzz/corpus/<target>/. New inputs go to build-fuzz/corpus/<target>/,
# never into the tree; a crash is kept in build-fuzz/findings/ and fails the
# run. Prints how many inputs each target ran.
#   ./tools/fuzz.sh [SECONDS] [TARGET...]
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-"target_list firmware_listing console_answers device_replies echo_packets"}

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVORNEL_FUZZ=ON -DVORNEL_SANITIZE=ON -DVORNEL_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz -j2 >/dev/null

# Longer inputs where the code cuts at a length: 255-byte list pieces, 4 KiB
# console lines, 1 KiB replies.
max_len() {
  case $1 in
    console_answers) echo 12000 ;;
    *) echo 8192 ;;
  esac
}

# Absolute: a target may change its working directory.
out=$PWD/build-fuzz
mkdir -p "$out/findings"
status=0
for target in $targets; do
  corpus=$out/corpus/$target
  mkdir -p "$corpus"
  log=$out/$target.log
  if ASAN_OPTIONS=detect_leaks=1 "$out/tests/fuzz/fuzz_$target" "$corpus" "$PWD/tests/fuzz/corpus/$target" \
    -max_total_time="$seconds" -max_len="$(max_len "$target")" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$out/findings/$target-" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz $target: ${runs:-?} inputs in ${seconds} s, no finding"
  else
    echo "fuzz $target: FINDING; see $log and build-fuzz/findings/" >&2
    tail -n 40 "$log" >&2
    status=1
  fi
done
exit $status
