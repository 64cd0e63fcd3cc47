#!/usr/bin/env bash
# The core never includes QtWidgets or QtWebEngine, and download/ never reaches into
# crawl/ or extract/. A violation fails the build check.
set -euo pipefail
cd "$(dirname "$0")/.."
core_dirs=(src/task src/results src/extract src/download)
core_files=$(find "${core_dirs[@]}" src/crawl -maxdepth 1 -type f \( -name '*.h' -o -name '*.cpp' \))
bad=$(grep -n -E '#include\s*[<"](QtWidgets|QtWebEngine|QWidget|QWebEngine|QApplication|QMessageBox|QPixmap|QIcon|ui/)' $core_files || true)
bad+=$(grep -n -E '#include\s*"(crawl|extract)/' $(find src/download -type f) || true)
bad+=$(grep -n -E '#include\s*"(crawl|extract|download|ui)/' $(find src/task src/results -type f) || true)
if [ -n "$bad" ]; then
  echo "Layering violation:"; echo "$bad"; exit 1
fi
