# The two commands of the README: `make run` and `make test`.
# Each installs the missing system packages, configures and builds.
PRESET ?= default
BUILD_DIR = $(if $(filter default,$(PRESET)),build,build-$(PRESET))

.PHONY: deps test-deps build run test bench clean

deps:
	tools/install-deps.sh

test-deps:
	tools/install-deps.sh --test

build: deps
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET)

run: build
	$(BUILD_DIR)/klonkel

test: test-deps build
	tools/with-session.sh ctest --preset $(PRESET)

bench: test-deps build
	tools/with-session.sh bench/run-all.sh $(BUILD_DIR)

clean:
	rm -rf build build-*
