#!/usr/bin/env bash
# Takes packaging/screenshot.png: the built program's window as the X server shows it, grabbed
# by the test harness at scale factor 1 under a private X server.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
klonkel=${1:-$here/build/klonkel}
QT_QPA_PLATFORM=xcb "$here/tools/with-session.sh" \
    python3 "$here/tests/app/app_checks.py" "$klonkel" --screenshot "$here/packaging/screenshot.png"
