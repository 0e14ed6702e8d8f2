#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite through CTest.
# The network tests build private namespaces and need root.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}
bash "$root/scripts/install-deps.sh"
BUILD_DIR=$build_dir bash "$root/scripts/build.sh"
cd "$build_dir"
ctest --output-on-failure -j"$(nproc)" "$@"
