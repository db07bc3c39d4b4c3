# The two commands of the README: `make run` and `make test`.
# `make run` installs the packages of the run set (scripts/bootstrap run) and builds only what the
# main job runs: the component, the host and the demo generator. `make test` installs every
# package and builds the whole tree (tests, benchmarks, tools) before running the tests. Both
# use the same build folder: a tree `make run` configured without the tests is configured with
# them by `make test`.

JOBS      ?= $(shell nproc)
BUILD     ?= build
ASAN_DIR  ?= build-asan
TSAN_DIR  ?= build-tsan
FUZZ_SECONDS ?= 300
FUZZ_SMOKE_SECONDS ?= 4
CMAKE_GEN := -G Ninja
RELEASE   := $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release
RUN_TARGETS := ORBEX9 orbex9-host orbex9-demo-gen

.PHONY: all bootstrap build-config build run test bench asan-config asan tsan fuzz fuzz-smoke ci clean

all: build

bootstrap:
	@scripts/bootstrap test

# The tree with its tests, configured once (again only when it was configured without them).
build-config: bootstrap
	@grep -qs '^ORBEX_BUILD_TESTS:BOOL=ON' $(BUILD)/CMakeCache.txt && [ -f $(BUILD)/build.ninja ] || \
	cmake -S . -B $(BUILD) $(RELEASE) -DORBEX_BUILD_TESTS=ON

build: build-config
	cmake --build $(BUILD) -j $(JOBS)

run:
	@scripts/bootstrap run
	@[ -f $(BUILD)/build.ninja ] || cmake -S . -B $(BUILD) $(RELEASE) -DORBEX_BUILD_TESTS=OFF
	cmake --build $(BUILD) -j $(JOBS) --target $(RUN_TARGETS)
	@BUILD=$(BUILD) scripts/run-main

# CTest runs as many tests at once as there are cores: more would leave the window tests, which
# keep a person's pace, short of the processor they need to keep it.
test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The benchmarks also measure the open LV2 limiters; their packages are installed here only.
bench: bootstrap
	@scripts/bootstrap-bench
	cmake -S . -B $(BUILD) $(RELEASE) -DORBEX_BUILD_TESTS=ON
	cmake --build $(BUILD) -j $(JOBS)
	@scripts/run-bench $(BUILD)

# One clang tree for AddressSanitizer + UndefinedBehaviorSanitizer: it builds every test and,
# from the same objects, the fuzz targets of fuzz/ (clang's UBSan also checks float-to-int
# conversions). The benchmarks are left out of the sanitizer trees.
SAN_CONFIG := $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORBEX_BUILD_BENCH=OFF

# Configured once; a tree configured otherwise before (GCC, no fuzz targets) is configured anew.
asan-config: bootstrap
	@grep -qs '^ORBEX_FUZZ:BOOL=ON' $(ASAN_DIR)/CMakeCache.txt && [ -f $(ASAN_DIR)/build.ninja ] || \
	{ rm -rf $(ASAN_DIR); CC=clang CXX=clang++ cmake -S . -B $(ASAN_DIR) $(SAN_CONFIG) \
	    -DORBEX_SANITIZE=address,undefined -DORBEX_FUZZ=ON; }

# intercept_tls_get_addr=0: clang 14's runtime takes a dynamic TLS block (a loaded component's
# thread_local) that glibc happens to place 16 bytes into a page for an old glibc layout and scans
# a range read from the heap's bookkeeping, which crashes the leak check at exit. Without it the
# blocks are still found, through the thread's own pointer to them.
asan: asan-config
	cmake --build $(ASAN_DIR) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:intercept_tls_get_addr=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --test-dir $(ASAN_DIR) --output-on-failure -j $(JOBS) -LE slow

tsan: bootstrap
	CC=clang CXX=clang++ cmake -S . -B $(TSAN_DIR) $(SAN_CONFIG) -DORBEX_SANITIZE=thread
	@targets=$$(ctest --test-dir $(TSAN_DIR) -N -L threads | awk '/Test +#/ {print $$3}'); \
	if [ -z "$$targets" ]; then echo "tsan: no threaded tests"; exit 0; fi; \
	cmake --build $(TSAN_DIR) -j $(JOBS) --target $$targets && \
	TSAN_OPTIONS=halt_on_error=1 ctest --test-dir $(TSAN_DIR) --output-on-failure -j $(JOBS) -L threads

# Every fuzz target (fuzz/), built in the sanitizer tree: a few seconds each in CI, longer on
# demand (make fuzz FUZZ_SECONDS=3600).
fuzz-smoke: asan-config
	cmake --build $(ASAN_DIR) -j $(JOBS) --target fuzzers
	scripts/run-fuzz $(FUZZ_SMOKE_SECONDS) $(ASAN_DIR)

fuzz: asan-config
	cmake --build $(ASAN_DIR) -j $(JOBS) --target fuzzers
	scripts/run-fuzz $(FUZZ_SECONDS) $(ASAN_DIR)

ci: test asan tsan fuzz-smoke

clean:
	rm -rf $(BUILD) $(ASAN_DIR) $(TSAN_DIR) out
