# The two commands of the README: `make run` and `make test`.
BUILD ?= build
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)

.PHONY: all setup configure build run test check fuzz clean

all: build

setup:
	@bash scripts/setup.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

configure: setup $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -x $(BUILD)/ortxt ]; then exec $(BUILD)/ortxt; \
	else echo "ortxt, the converter, is not built yet: its modules are still being written."; exit 1; fi

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The suite under AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzz target briefly.
check: setup
	cmake -S . -B $(BUILD)-asan -G Ninja -DORALIS_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug $(CMAKE_FLAGS)
	cmake --build $(BUILD)-asan -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1 ctest --test-dir $(BUILD)-asan --output-on-failure -j $(JOBS)
	$(MAKE) fuzz FUZZ_SECONDS=30

# Each libFuzzer target of fuzz/ for FUZZ_SECONDS, from a corpus kept in the build folder.
FUZZ_SECONDS ?= 60
fuzz: setup
	CXX=clang++ cmake -S . -B $(BUILD)-fuzz -G Ninja -DORALIS_FUZZ=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD)-fuzz -j $(JOBS)
	@for f in $(BUILD)-fuzz/fuzz/fuzz_*; do \
	  [ -x "$$f" ] || continue; name=$$(basename $$f); mkdir -p $(BUILD)-fuzz/corpus/$$name; \
	  echo "fuzz: $$name for $(FUZZ_SECONDS) s"; \
	  $$f -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 $(BUILD)-fuzz/corpus/$$name 2>&1 | grep -E 'stat::number_of_executed_units|ERROR|SUMMARY' || exit 1; \
	done

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-fuzz
