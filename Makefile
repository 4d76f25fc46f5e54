# ZorvanNC: `make run` and `make test` do all the set-up on a fresh Debian 12 machine.
JOBS ?= 2
BUILD ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
CLANG_FORMAT ?= clang-format-14

WINDOW_BENCH_BUILD ?= build-bench-window

.PHONY: all deps build run test test-asan bench bench-window fuzz format check-format package clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# The program starts on the simulated board from its own folder, where the build put the sample machine.
run: build
	$(BUILD)/bin/zorvannc

# The sanitizer run comes first so that the last lines are the main run's CTest summary.
test: deps test-asan build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DZORVAN_CORE_ONLY=ON -DZORVAN_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS) -E 'format|layering'

bench: deps
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DZORVAN_BENCH=ON -DZORVAN_TESTS=OFF -DZORVAN_CORE_ONLY=ON
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	$(BENCH_BUILD)/bin/zorvan_bench

# The operator window's open-and-preview time, redraws and memory on a program of a million lines; BIG=1
# adds ten million.
bench-window: deps
	cmake -S . -B $(WINDOW_BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DZORVAN_BENCH=ON -DZORVAN_TESTS=OFF
	cmake --build $(WINDOW_BENCH_BUILD) -j $(JOBS) --target zorvan_window_figures
	$(WINDOW_BENCH_BUILD)/bin/zorvan_window_figures
	if [ "$(BIG)" = "1" ]; then $(WINDOW_BENCH_BUILD)/bin/zorvan_window_figures 10000000; fi

fuzz: deps
	CC=clang-14 CXX=clang++-14 cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DZORVAN_FUZZ=ON -DZORVAN_TESTS=OFF -DZORVAN_CORE_ONLY=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	scripts/run-fuzzers $(FUZZ_BUILD)/bin $(FUZZ_SECONDS)

# The Debian package, in $(BUILD)/package: apt install ./$(BUILD)/package/zorvannc_*.deb
package: build
	cd $(BUILD) && cpack -G DEB

format:
	git ls-files '*.cpp' '*.h' | xargs $(CLANG_FORMAT) -i

check-format:
	git ls-files '*.cpp' '*.h' | xargs $(CLANG_FORMAT) --dry-run --Werror

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(WINDOW_BENCH_BUILD) $(FUZZ_BUILD)
