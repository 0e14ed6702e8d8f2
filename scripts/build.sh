#!/usr/bin/env bash
# Configures and builds Kestrune. BUILD_DIR (default build) and
# KESTRUNE_SANITIZE=1 (AddressSanitizer and UndefinedBehaviorSanitizer) may be set.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}
sanitize=${KESTRUNE_SANITIZE:-0}
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S "$root" -B "$build_dir" -G Ninja \
  -DKESTRUNE_SANITIZE=$([ "$sanitize" = 1 ] && echo ON || echo OFF) \
  -DKESTRUNE_WERROR=$werror >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
