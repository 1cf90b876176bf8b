# velmora: `make demo` runs the tool on the examples, `make test` runs every test,
# `make bench` measures the Release build against plain copy programs (never part of `make test`).
JOBS ?= 2
RELEASE := build/release
ASAN := build/asan

.PHONY: all build demo test bench clean deps

all: build

deps:
	@tools/deps.sh

build: deps
	cmake -S . -B $(RELEASE) -DCMAKE_BUILD_TYPE=Release -DVELMORA_TESTS=OFF > /dev/null
	cmake --build $(RELEASE) -j$(JOBS)

demo: build
	@examples/demo.sh $(RELEASE)/velmora

# Tests build with AddressSanitizer and UndefinedBehaviorSanitizer.
test: deps
	cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON > /dev/null
	cmake --build $(ASAN) -j$(JOBS)
	ctest --test-dir $(ASAN) --output-on-failure -j$(JOBS)

# Builds its own Release binaries in build/bench-release, with the benchmark inputs beside them.
bench: deps
	@JOBS=$(JOBS) bench/run

clean:
	rm -rf build
