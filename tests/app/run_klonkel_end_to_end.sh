#!/usr/bin/env bash
# The end-to-end checks on one copy of the program, for run_installed_copies.sh.
here=$(dirname "$0")
exec "$here/../../tools/with-session.sh" python3 "$here/app_checks.py" "$1" end-to-end
