#!/usr/bin/env bash
# Screenshots of the adapter page, the scanning state and the devices page
# with 20 simulated devices, taken under Xvfb by the end-to-end test (which
# builds its own private segment; needs root). They land in
# BUILD_DIR/screenshots and are copied to docs/ for the README.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}
out=$build_dir/screenshots

cmake --build "$build_dir" --target app_e2e_test kestrune-devsim kestrune_data
rm -rf "$out"
mkdir -p "$out"
KESTRUNE_BUILD_DIR=$build_dir KESTRUNE_SOURCE_DIR=$root KESTRUNE_SCREENSHOT_DIR=$out \
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" \
  "$build_dir/tests/app_e2e_test"
mkdir -p "$root/docs"
for name in adapter-page scanning devices-page; do
  cp "$out/$name.png" "$root/docs/$name.png"
done
echo "screenshots: $out and docs/"
