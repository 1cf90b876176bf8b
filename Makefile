# velmora: `make demo` runs the tool on the examples, `make test` runs every test.
JOBS ?= 2
RELEASE := build/release
ASAN := build/asan

.PHONY: all build demo test clean deps

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

clean:
	rm -rf build
