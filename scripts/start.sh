#!/usr/bin/env bash
# Installs what is missing, builds and starts Kestrune.
# With --demo it starts Kestrune facing simulated devices on a private
# segment instead (scripts/demo.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
if [ "${1:-}" = "--demo" ]; then
  shift
  exec bash "$root/scripts/demo.sh" "$@"
fi
exec "${BUILD_DIR:-$root/build}/bin/kestrune" "$@"
