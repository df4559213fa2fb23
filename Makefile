# The two commands a newcomer needs: `make demo` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local
CMAKE_FLAGS ?=
# The configurations are CMake presets (CMakePresets.json): dev, ci (warnings
# as errors), asan and release; the build directories can still be chosen.
PRESET ?= dev
ifneq ($(CI),)
PRESET = ci
CMAKE_FLAGS += -DZEMBRA_WERROR=ON
endif

.PHONY: all deps build test test-hard fuzz demo bench bench-readme install uninstall package clean

all: build

deps:
	./scripts/install-deps

build: deps
	cmake --preset $(PRESET) -B $(BUILD) -DCMAKE_INSTALL_PREFIX=$(PREFIX) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer,
# then the command-line fuzzer for a while.
test-hard: deps
	cmake --preset asan -B $(BUILD)-asan $(CMAKE_FLAGS)
	cmake --build $(BUILD)-asan -j $(JOBS)
	cd $(BUILD)-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizer/lsan.supp:print_suppressions=0 ctest --output-on-failure -j $(JOBS)
	$(MAKE) fuzz

FUZZ_SECONDS ?= 60
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(BUILD)-fuzz -DZEMBRA_FUZZ=ON -DZEMBRA_TESTS=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD)-fuzz -j $(JOBS) --target command_fuzzer
	mkdir -p $(BUILD)-fuzz/corpus
	$(BUILD)-fuzz/tests/command_fuzzer -dict=tests/fuzz/command.dict -max_total_time=$(FUZZ_SECONDS) \
	  $(BUILD)-fuzz/corpus

demo: build
	./scripts/demo $(BUILD)/bin demo

bench: build
	./bench/run-all $(BUILD)/bin

# The README's table of figures, measured again on this machine.
bench-readme: build
	python3 bench/user_figures.py $(BUILD)/bin --readme README.md

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

uninstall:
	@test -f $(BUILD)/install_manifest.txt || { echo "nothing installed from $(BUILD)"; exit 1; }
	xargs -d '\n' rm -f < $(BUILD)/install_manifest.txt
	-rmdir $(PREFIX)/lib/zembra 2>/dev/null

package: deps
	cmake --preset release -B $(BUILD)-deb $(CMAKE_FLAGS)
	cmake --build $(BUILD)-deb -j $(JOBS)
	cd $(BUILD)-deb && cpack -G DEB
	@ls $(BUILD)-deb/*.deb

clean:
	rm -rf $(BUILD) $(BUILD)-deb $(BUILD)-asan $(BUILD)-fuzz demo
