# The two commands a newcomer needs: `make demo` and `make test`.
BUILD_DIR := build
JOBS := $(shell nproc)

.PHONY: all deps configure build test bench demo run

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD_DIR)

test: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

bench: build
	@set -e; for program in $(BUILD_DIR)/bin/bench_*; do echo "== $$program"; $$program; done

demo: build
	@scripts/demo

run:
	@echo "make run: the window is not built yet" >&2; exit 1
