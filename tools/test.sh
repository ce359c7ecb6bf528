#!/bin/sh
# Builds Vornel and runs every test: unit tests, and integration tests that
# start real FTP servers inside private network namespaces (those need root).
set -eu
cd "$(dirname "$0")/.."
./tools/install-deps.sh --test
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
cd build
ctest -j"$(nproc)" --output-on-failure --timeout 600
