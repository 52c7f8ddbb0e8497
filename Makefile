# Set-up, build, run and test in one command each; see README.md.
BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test test-whole test-asan fuzz bench format clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Only the application bundle and the local Jira Cloud stand-in: no tests, no benchmarks.
run: configure
	@cmake --build $(BUILD) -j $(JOBS) --target bundle jira-standin
	scripts/run-app $(BUILD)

test: build
	scripts/test-env ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# Every test binary whole, all its cases in one process, in a shuffled order (SEED=... repeats one).
test-whole: build
	scripts/test-env scripts/run-test-binaries $(BUILD) $(SEED)

# AddressSanitizer + UndefinedBehaviorSanitizer; tests that load Qt WebEngine are left out.
test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCORVANTIDE_SANITIZE=ON \
		-DCORVANTIDE_BUILD_BENCH=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
		scripts/test-env ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS) -LE webengine

# libFuzzer targets of fuzz/ built with clang and ASan+UBSan, each run for FUZZ_SECONDS on its seed corpus.
fuzz: deps
	@cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
		-DCMAKE_CXX_COMPILER=clang++ -DCORVANTIDE_FUZZ=ON -DCORVANTIDE_BUILD_TESTS=OFF \
		-DCORVANTIDE_BUILD_BENCH=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)
	scripts/test-env scripts/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# The benchmark programs only; those that compare with the baseline tray application start it themselves.
bench: build
	@scripts/run-benchmarks $(BUILD)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
