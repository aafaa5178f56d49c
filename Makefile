# The two commands of the README: `make run` and `make test`.
# Each installs the missing system packages, configures and builds.
PRESET ?= default
BUILD_DIR = $(if $(filter default,$(PRESET)),build,build-$(PRESET))

.PHONY: deps test-deps build run test check check-build check-run tsan fuzz-smoke package package-test \
	package-run lint memcheck memcheck-run bench bench-fuzz clean

deps:
	tools/install-deps.sh

test-deps:
	tools/install-deps.sh --test

# A user's build: only the program (no tests, no benchmarks, so no modules only they need), and
# compiler warnings stay warnings, whatever compiler the machine has.
build: deps
	cmake --preset $(PRESET) --compile-no-warning-as-error -DBUILD_TESTING=OFF -DKLONKEL_BENCH=OFF
	cmake --build --preset $(PRESET)

run: build
	$(BUILD_DIR)/klonkel

# Every build users and packagers make, each played from outside; warnings are errors here:
#  1. the normal build (GCC): every test, on a private PulseAudio; then valgrind over decoding
#     and playback, and clang-tidy and cppcheck over its sources;
#  2. AddressSanitizer and UndefinedBehaviorSanitizer (GCC): every test again, on a private
#     PipeWire, so both sound servers see the whole suite;
#  3. ThreadSanitizer (clang): what runs on more than one thread (see `tsan` below);
#  4. 30 seconds of libFuzzer (clang) on the clip decoder;
#  5. the Debian package with the distribution's flags: lintian, and its contents from outside.
# tools/check-all.sh runs them in that order and makes the later builds while earlier tests run.
test: test-deps
	tools/check-all.sh

# Each pass is a build and a run, so that a build can go on while another pass's tests run.
check: check-build check-run

check-build:
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET)

check-run:
	tools/with-session.sh ctest --preset $(PRESET)

# ThreadSanitizer over the paths where the main thread, the sound server connection's thread and
# the line writer's thread meet: the line writer's own cases, the press tool's end, early press,
# bursts and lost server (press_lines, press_threads), and the app's first run. Only the programs
# those run are built (-O1). Any report fails: the test preset makes TSan exit with status 66, and
# every check wants an empty stderr.
tsan: test-deps
	$(MAKE) --no-print-directory check PRESET=tsan

fuzz-smoke:
	$(MAKE) --no-print-directory check PRESET=fuzz

# The Debian package, built with the distribution's flags in a temporary copy of the tree.
package: test-deps
	tools/build-package.sh build-package

# The package checked by lintian, its contents unpacked into an empty root and compared with a plain
# install of the default build, then the unpacked program tested from outside.
package-test: package package-run

package-run:
	cmake --preset default
	cmake --build --preset default --target klonkel klonkel_packaging_documents
	lintian --pedantic --info --fail-on error,warning,info,pedantic build-package/klonkel_*.changes
	tools/with-session.sh tests/app/run_installed_copies.sh build \
		build-package/klonkel_*_$$(dpkg --print-architecture).deb

# clang-tidy and cppcheck over src/ and bench/; reads the normal build's compile commands and
# needs its generated headers, so it builds that tree first (after `make check` it is up to date).
lint: test-deps
	$(MAKE) --no-print-directory check-build PRESET=default
	tools/lint.sh build

# The decoding and playback path under valgrind: only the two programs it runs are built.
memcheck: test-deps
	cmake --preset default
	cmake --build --preset default --target klonkel-decode-bench klonkel-press
	$(MAKE) --no-print-directory memcheck-run

memcheck-run:
	tools/with-session.sh tools/memcheck.sh build

bench: test-deps
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET)
	tools/with-session.sh bench/run-all.sh $(BUILD_DIR)

# Ten minutes of fuzzing the clip decoder (FUZZ_SECONDS), beside two of the earlier setup.
bench-fuzz: test-deps
	cmake --preset fuzz
	cmake --build --preset fuzz
	bench/fuzz.sh build-fuzz/tests/fuzz_clipdecoder $${FUZZ_SECONDS:-600}

clean:
	rm -rf build build-*
