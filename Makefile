# Tastra: the usual entry points. `make demo` and `make test` set everything
# up on a fresh Debian 12 machine.
BUILD      ?= build
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
CTEST_ARGS ?=

.PHONY: all deps configure build test demo run bench asan tsan fuzz install clean format

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DTASTRA_WERROR=ON $(CMAKE_ARGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

test: build
	@cd $(BUILD) && ctest -j$(JOBS) --output-on-failure --timeout 600 $(CTEST_ARGS)

demo: build
	@bash scripts/demo.sh $(BUILD)

run: build
	@$(BUILD)/bin/tastra $(ARGS)

bench: deps
	@cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DTASTRA_BUILD_TESTS=OFF >/dev/null
	@cmake --build build-release -j$(JOBS)
	@bash scripts/run-benchmarks.sh build-release

asan: deps
	@cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTASTRA_SANITIZE=address -DTASTRA_BUILD_BENCH=OFF >/dev/null
	@cmake --build build-asan -j$(JOBS)
	@cd build-asan && ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/suppressions/lsan.supp \
	  ctest -j$(JOBS) --output-on-failure --timeout 900 $(CTEST_ARGS)

tsan: deps
	@cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DTASTRA_SANITIZE=thread -DTASTRA_BUILD_BENCH=OFF >/dev/null
	@cmake --build build-tsan -j$(JOBS)
	@cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/suppressions/tsan.supp" \
	  ctest -j$(JOBS) --output-on-failure --timeout 900 $(CTEST_ARGS)

fuzz: deps
	@CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DTASTRA_BUILD_FUZZ=ON -DTASTRA_BUILD_BENCH=OFF -DTASTRA_SANITIZE=address >/dev/null
	@cmake --build build-fuzz -j$(JOBS) --target fuzz_all
	@bash scripts/run-fuzzers.sh build-fuzz $(FUZZ_SECONDS)

install: build
	@cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX),)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf build build-release build-asan build-tsan build-fuzz
