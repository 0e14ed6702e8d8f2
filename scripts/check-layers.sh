#!/usr/bin/env bash
# Fails when a library below the user interface includes more of Qt than it
# may: src/link is plain C++ (no Qt at all); src/app and src/records use Qt
# Core only. Qt's module include folders sit side by side, so an include such
# as <QtWidgets/QWidget> would otherwise compile there.
#   scripts/check-layers.sh [QT_INCLUDE_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
qt_include=${1:-$(pkg-config --variable=includedir Qt6Core 2>/dev/null || echo /usr/include/x86_64-linux-gnu/qt6)}
status=0

check() {  # folder, allowed ("none" or "core")
  local folder=$1 allowed=$2 file line header
  for file in "$root/$folder"/*.cpp "$root/$folder"/*.h; do
    [ -f "$file" ] || continue
    while IFS= read -r line; do
      header=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*<([^>]+)>.*/\1/' <<<"$line")
      case "$header" in
        Q*) ;;
        *) continue ;;
      esac
      if [ "$allowed" = none ]; then
        echo "${file#"$root"/}: <$header>: no Qt in this library"; status=1
      elif [[ "$header" == */* ]]; then
        [[ "$header" == QtCore/* ]] || { echo "${file#"$root"/}: <$header>: Qt Core only"; status=1; }
      elif [ ! -e "$qt_include/QtCore/$header" ]; then
        echo "${file#"$root"/}: <$header>: not a Qt Core header"; status=1
      fi
    done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*<Q' "$file" || true)
  done
}

check src/link none
check src/app core
check src/records core
exit $status
