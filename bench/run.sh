#!/bin/sh
# Builds Vornel and the benchmark programs in build-bench/ and runs one
# benchmark (or all of them) inside a private network namespace. Run as root.
#   bench/run.sh upload_pass | batch | ftp_commands | probe | transfer | target_list | shards | archive | windows | report | all
# Each prints medians and ratios; see the docstring at the top of bench/NAME.py
# for its knobs (BENCH_RUNS and the like).
set -eu
cd "$(dirname "$0")/.."
names="upload_pass batch ftp_commands probe transfer target_list shards archive windows report"
case "${1:-}" in
  all)
    # shellcheck disable=SC2086  # the names are words by design
    set -- $names
    ;;
  upload_pass | batch | ftp_commands | probe | transfer | target_list | shards | archive | windows | report) ;;
  *)
    echo "usage: bench/run.sh $(echo "$names" | tr ' ' '|')|all" >&2
    exit 2
    ;;
esac
./tools/install-deps.sh --bench
build=${VORNEL_BENCH_BUILD:-build-bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORNEL_BUILD_BENCH=ON >/dev/null
# Two cores, shared: never more than two compile jobs.
cmake --build "$build" -j2 --target vornel vornel-batch vornel-shard bench_echo_probe \
  bench_ftp_transfer bench_target_list bench_report >/dev/null
export VORNEL_BENCH_BUILD="$PWD/$build"
# The Windows build, for the benchmark that runs it under wine beside the
# Linux one.
case " $* " in
  *" windows "*)
    VORNEL_BENCH_WINDOWS=$(./tools/build-windows.sh | tail -n 1)
    export VORNEL_BENCH_WINDOWS
    ;;
esac
for name in "$@"; do
  /usr/bin/python3 "bench/$name.py"
done
