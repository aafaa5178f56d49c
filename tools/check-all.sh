#!/usr/bin/env bash
# Every pass of `make test`, in order (see the Makefile). The tests mostly wait on a sound server
# or a screen, so the later passes' builds, clang-tidy and the package build run meanwhile in the
# background at the lowest priority, taking only the CPU time the tests leave; every test runs in
# the foreground. A background step's output is shown when its pass needs it. Any failure fails,
# after every pass has run, so one run tells everything that is wrong.
#   tools/check-all.sh
set -uo pipefail
cd "$(dirname "$0")/.."
steps=$(mktemp -d /tmp/klonkel-check.XXXXXX)
background=
trap '[[ -n $background ]] && kill -- -"$background" 2>/dev/null; rm -rf "$steps"' EXIT
failed=()
make=(make --no-print-directory)

# Runs a step in the foreground and times it.
run() {
    local name=$1 start=$SECONDS
    shift
    echo "== $name"
    "$@" || failed+=("$name")
    echo "== $name: $((SECONDS - start)) s"
}

# Shows a background step's output once it has ended, and its time.
await() {
    local name=$1 start=$SECONDS
    while [[ ! -e $steps/$name.status ]]; do sleep 1; done
    echo "== $name (made in the background; waited $((SECONDS - start)) s for it)"
    cat "$steps/$name.log"
    [[ $(cat "$steps/$name.status") == 0 ]] || { failed+=("$name"); return 1; }
}

run "build (default)" "${make[@]}" check-build PRESET=default
((${#failed[@]} == 0)) || exit 1

# The builds in the order their passes need them; clang-tidy reads the default build's commands.
# In a process group of its own, so that an interrupted run stops its compilers too.
set -m
(
    step() {
        local name=$1
        shift
        nice -n 19 "$@" >"$steps/$name.log" 2>&1
        echo $? >"$steps/$name.status"
    }
    step "build (sanitize)" "${make[@]}" check-build PRESET=sanitize
    step "build (tsan)" "${make[@]}" check-build PRESET=tsan
    step "build (fuzz)" "${make[@]}" check-build PRESET=fuzz
    step "package" "${make[@]}" package
    step "lint" tools/lint.sh build
) &
background=$!
set +m

# Under a session bus of its own that is already running, as on a logged-in desktop: nothing the
# tests start may touch it (or a sound server that holds its names).
run "tests (default, PulseAudio)" dbus-run-session -- "${make[@]}" check-run PRESET=default
run "memcheck" "${make[@]}" memcheck-run
await "build (sanitize)" &&
    run "tests (sanitize, PipeWire)" env KLONKEL_SOUND_SERVER=pipewire "${make[@]}" check-run PRESET=sanitize
await "build (tsan)" && run "tests (tsan)" "${make[@]}" check-run PRESET=tsan
await "build (fuzz)" && run "fuzzing" "${make[@]}" check-run PRESET=fuzz
await "package" && run "package contents" "${make[@]}" package-run
await "lint"
wait

if ((${#failed[@]})); then
    printf 'FAILED: %s\n' "${failed[@]}"
    exit 1
fi
echo "every pass passed in $SECONDS s"
