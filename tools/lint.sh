#!/usr/bin/env bash
# Static analysis of our own sources (src/, bench/) with clang-tidy (checks in .clang-tidy) and
# cppcheck, from a configured and built tree's compile_commands.json. Any finding fails.
#   tools/lint.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/klonkel-lint.XXXXXX)
trap 'rm -rf "$work"' EXIT

# Only our files: Qt's generated sources (moc, QML cache, resources) are not ours to fix; the
# same goes for what cppcheck reports inside the build tree's generated headers below.
python3 - "$build/compile_commands.json" "$root" "$work/compile_commands.json" <<'EOF'
import json, sys
entries, root, out = json.load(open(sys.argv[1])), sys.argv[2], sys.argv[3]
ours = [e for e in entries if e["file"].startswith((root + "/src/", root + "/bench/"))]
json.dump(ours, open(out, "w"))
EOF

status=0
echo "lint: clang-tidy"
# Headers under this checkout's src/ and bench/ only: not the build tree's generated ones.
run-clang-tidy -quiet -j "$(nproc)" -p "$work" -header-filter="^$root/(src|bench)/" \
    >"$work/tidy.txt" 2>&1 || status=1
# run-clang-tidy prints each command, in colour; only the findings matter.
sed 's/\x1b\[[0-9;]*m//g' "$work/tidy.txt" | grep -E ': (warning|error):' | sort -u || true
grep -q 'clang-tidy.*-p=' "$work/tidy.txt" || { echo "lint: clang-tidy checked nothing"; status=1; }

echo "lint: cppcheck"
# System headers are not parsed (the Qt library configurations stand in for Qt's), so cppcheck
# is told not to list each as missing.
cppcheck --project="$work/compile_commands.json" -j "$(nproc)" --quiet --inline-suppr \
    --enable=warning,style,performance,portability \
    --library=qt --library="$root/tools/cppcheck-qt6.cfg" \
    --suppress=missingIncludeSystem --suppress="*:$build/*" --error-exitcode=1 \
    --template='{file}:{line}: {severity} ({id}): {message}' || status=1
exit $status
