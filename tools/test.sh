#!/bin/sh
# Builds Vornel and runs every test: unit tests, and integration tests that
# start real FTP servers inside private network namespaces (those need root).
# The whole suite runs twice: on the normal build, and on a build with
# AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer, whose
# reports are fatal. Then each libFuzzer target gets a short run. Last, the
# Windows leg: vornel.exe cross-built (tools/build-windows.sh), its unit tests
# and the end-to-end suite run under wine.
set -eu
cd "$(dirname "$0")/.."
./tools/install-deps.sh --test
jobs=2  # the machines have two cores; more only slows the timed tests down

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest -j"$jobs" --output-on-failure --timeout 600)

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORNEL_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
# Every process of the suite inherits these, the vornel binary of the
# end-to-end tests included: a leak or a sanitizer report fails its test.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=1:strict_string_checks=1
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export ASAN_OPTIONS UBSAN_OPTIONS
(cd build-asan && ctest -j"$jobs" --output-on-failure --timeout 600)

./tools/fuzz.sh 12

# The Windows build's CTest runs every test program under wine
# (tools/wine-run), the end-to-end suite against vornel.exe.
./tools/build-windows.sh
(cd build-windows && ctest -j"$jobs" --output-on-failure --timeout 600)
