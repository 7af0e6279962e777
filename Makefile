# The two commands a newcomer needs: `make demo` and `make test`.
BUILD_DIR := build
JOBS := $(shell nproc)

.PHONY: all deps configure build test test-asan fuzz bench demo run screenshot package

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD_DIR)

test: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# The tests again, built by clang with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/): any report fails the test.
test-asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan
	@ctest --preset asan

# The libFuzzer targets (build-fuzz/); scripts/fuzz-targets runs them.
fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz

bench: build
	@set -e; for program in $(BUILD_DIR)/bin/bench_*; do echo "== $$program"; $$program; done

demo: build
	@scripts/demo

# The window, started in the demo's folder (made first when it is missing),
# which then holds its settings, presets, lists and logs.
run: build
	@[ -d $(BUILD_DIR)/demo ] || $(MAKE) demo
	@cd $(BUILD_DIR)/demo && ../bin/orvane

# The window rendered without a display, English texts, into build/screenshot.png,
# with the demo's settings filled in (the screenshot of data/screenshots/main.png).
screenshot: build
	@[ -d $(BUILD_DIR)/demo ] || $(MAKE) demo
	@cd $(BUILD_DIR)/demo && QT_QPA_PLATFORM=offscreen ../bin/orvane --screenshot ../screenshot.png
	@echo "$(BUILD_DIR)/screenshot.png"

# The Debian packages, into build/: orvane-cli (no Qt) and orvane (the window).
# sudo apt install ./build/orvane-cli_*.deb ./build/orvane_*.deb
package: build
	@cmake --build $(BUILD_DIR) --target package >/dev/null
	@ls $(BUILD_DIR)/orvane-cli_*.deb $(BUILD_DIR)/orvane_*.deb
