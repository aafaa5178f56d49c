#!/usr/bin/env bash
# Takes packaging/screenshot.png: the built program's window as the X server shows it once it has
# settled, under a private X server, found and waited for by the harness.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
klonkel=$(realpath "${1:-$here/build/klonkel}")
"$here/tools/with-session.sh" python3 - "$here/bench" "$klonkel" "$here/packaging/screenshot.png" <<'PY'
import os, sys
sys.path.insert(0, sys.argv[1])
from harness import Program
app = Program(sys.argv[2])
app.settled()
app.run("ffmpeg", "-y", "-v", "error", "-f", "x11grab", "-draw_mouse", "0", "-window_id",
        app.window, "-i", os.environ["DISPLAY"], "-frames:v", "1", sys.argv[3])
sys.exit(app.finish()[0])
PY
