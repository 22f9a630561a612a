# make run   installs what is missing, builds, runs the sample script
# make test  installs what is missing, builds, runs every test (normal build,
#            then an AddressSanitizer + UndefinedBehaviorSanitizer build)
# make fuzz  builds the libFuzzer targets with clang and their seed corpora
#            (fuzz/README.md tells how to run a campaign)
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
BUILD_DIR ?= build
SAN_DIR ?= build-san
FUZZ_DIR ?= build-fuzz

.PHONY: all deps build build-san run test test-normal test-san bench fuzz clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

build-san: deps
	@cmake -S . -B $(SAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DKESTREL_SANITIZE=ON >/dev/null
	@cmake --build $(SAN_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/kestrel examples/hello.kv

test-normal: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

test-san: build-san
	cd $(SAN_DIR) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

test: test-normal test-san

bench: build
	@bash scripts/install-deps.sh --bench
	@cmake --build $(BUILD_DIR) --target benchmarks -j $(JOBS)
	@bash bench/run.sh $(BUILD_DIR)
	@bash bench/peers.sh $(BUILD_DIR)/kestrel
	@bash bench/live_objects.sh $(BUILD_DIR)/kestrel
	@bash bench/callgrind.sh $(BUILD_DIR)/kestrel
	@bash bench/front_end.sh $(BUILD_DIR)/kestrel

fuzz: deps
	@bash scripts/install-deps.sh --fuzz
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTREL_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_DIR) --target fuzz_targets -j $(JOBS)
	@$(FUZZ_DIR)/fuzz/fuzz_make_seeds $(FUZZ_DIR)/fuzz-seeds tests/scripts

clean:
	rm -rf $(BUILD_DIR) $(SAN_DIR) $(FUZZ_DIR)
