# velmora: `make demo` runs the tool on the examples, `make test` runs every test,
# `make valgrind` runs every test under valgrind's memcheck (about 9 minutes on 2 cores),
# `make bench` measures the Release build against plain copy programs, `make microbench` the
# engine functions (benchmarks are never part of `make test`), `make fuzz` runs the fuzzers.
JOBS ?= 2
RELEASE := build/release
ASAN := build/asan
BENCH := build/bench

.PHONY: all build demo test valgrind bench microbench fuzz clean deps coverage test-deps
.PHONY: windows windows-test dist

all: build

# The program needs cmake, g++ and make; the tests (and the Windows build, which builds them
# too) also GoogleTest.
deps:
	@tools/deps.sh

test-deps:
	@tools/deps.sh --tests

build: deps
	cmake -S . -B $(RELEASE) -DCMAKE_BUILD_TYPE=Release -DVELMORA_TESTS=OFF > /dev/null
	cmake --build $(RELEASE) -j$(JOBS)

# The demo writes into build/demo, made afresh each time.
demo: build
	@rm -rf build/demo
	@examples/demo.sh $(RELEASE)/velmora build/demo

# Tests build with AddressSanitizer and UndefinedBehaviorSanitizer.
test: test-deps
	cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON > /dev/null
	cmake --build $(ASAN) -j$(JOBS)
	ctest --test-dir $(ASAN) --output-on-failure -j$(JOBS)

# Branch coverage of src/ by the whole suite (gcovr, from Debian's package), on a Debug build
# without sanitizers in build/coverage; the report is build/coverage/coverage.html.
COVERAGE := build/coverage
coverage: test-deps
	@command -v gcovr > /dev/null || tools/deps.sh gcovr
	cmake -S . -B $(COVERAGE) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="--coverage -fprofile-update=atomic" \
	  -DCMAKE_EXE_LINKER_FLAGS="--coverage" > /dev/null
	cmake --build $(COVERAGE) -j$(JOBS)
	find $(COVERAGE) -name '*.gcda' -delete
	VELMORA_COVERAGE=1 ctest --test-dir $(COVERAGE) -j$(JOBS) -LE slow > /dev/null || true
	gcovr --root . --filter src/ --object-directory $(COVERAGE) --gcov-exclude '.*CMakeFiles/[0-9].*' \
	  --gcov-ignore-parse-errors --branches --exclude-throw-branches \
	  --exclude-unreachable-branches --print-summary --html-details $(COVERAGE)/coverage.html \
	  | tail -3

# The whole suite under valgrind's memcheck, on a Debug build without sanitizers in
# build/valgrind; too slow for every CI run.
valgrind: test-deps
	@JOBS=$(JOBS) tools/valgrind-tests.sh

# velmora.exe for 64-bit Windows (cross-built with mingw-w64) and its tests; run them under
# wine with `make windows-test` (the CI's Windows leg, which installs what it needs).
WINDOWS := build/windows
windows: test-deps
	cmake -S . -B $(WINDOWS) --no-warn-unused-cli -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release > /dev/null
	cmake --build $(WINDOWS) -j$(JOBS)

windows-test:
	bash .ci/windows

# Release packages in build/dist: Linux .tar.gz and .deb, Windows .zip.
dist: test-deps
	@tools/dist.sh

# Whole-program benchmark against plain copy programs: builds its own Release binaries in
# build/bench-release, with the generated inputs beside them.
bench: deps
	@JOBS=$(JOBS) bench/run

# Microbenchmarks of the engine, optimised build (needs Google Benchmark).
microbench: deps
	@[ -f /usr/include/benchmark/benchmark.h ] || tools/deps.sh libbenchmark-dev
	cmake -S . -B $(BENCH) -DCMAKE_BUILD_TYPE=Release -DVELMORA_BENCH=ON -DVELMORA_TESTS=OFF > /dev/null
	cmake --build $(BENCH) -j$(JOBS) --target iban_bench
	$(BENCH)/bench/iban_bench

# Every fuzz target for FUZZ_SECONDS each (default 30), built with clang's libFuzzer.
FUZZ_SECONDS ?= 30
fuzz: deps
	@command -v clang++ >/dev/null && ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 \
	  || tools/deps.sh clang libclang-rt-dev
	@FUZZ_SECONDS=$(FUZZ_SECONDS) fuzz/run

clean:
	rm -rf build
