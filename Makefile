# The two commands of the README: `make test` and `make demo`. Both install what they need first.
SHELL := /bin/bash
JOBS ?= $(shell nproc)
BUILD := build
CMAKE_FLAGS := -DMT_WERROR=ON

# Debian packages the builds, tests and demo need.
PACKAGES := g++ cmake make python3 pkg-config \
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev \
    wine wine64 xvfb xauth socat \
    googletest libgtest-dev libgmock-dev libbenchmark-dev \
    fp-utils imagemagick srecord hyperfine clang libclang-rt-14-dev \
    openbox xdotool x11-utils procps \
    libcurl4-openssl-dev python3-pyftpdlib

.PHONY: all deps native asan windows test test-native test-asan test-windows demo bench fuzz screenshots gui clean

all: native windows

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	    if [ "$$(id -u)" != 0 ]; then \
	        echo "These Debian packages are missing; install them as root with:"; \
	        echo "  apt-get update && apt-get install -y" $$missing; exit 1; \
	    fi; \
	    echo "Installing:" $$missing; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing >/dev/null; \
	fi

$(BUILD)/native/Makefile: | deps
	cmake -S . -B $(BUILD)/native -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
$(BUILD)/asan/Makefile: | deps
	cmake -S . -B $(BUILD)/asan -DCMAKE_BUILD_TYPE=Debug -DMT_SANITIZE=ON $(CMAKE_FLAGS)
$(BUILD)/windows/Makefile: | deps
	cmake -S . -B $(BUILD)/windows -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake $(CMAKE_FLAGS)

native: deps $(BUILD)/native/Makefile
	cmake --build $(BUILD)/native -j$(JOBS)
asan: deps $(BUILD)/asan/Makefile
	cmake --build $(BUILD)/asan -j$(JOBS)
windows: deps $(BUILD)/windows/Makefile
	cmake --build $(BUILD)/windows -j$(JOBS)

test-native: native
	cd $(BUILD)/native && ctest --output-on-failure -j$(JOBS)
test-asan: asan
	cd $(BUILD)/asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j$(JOBS)
test-windows: windows
	xvfb-run -a --server-args="-screen 0 1280x1024x24" \
	    scripts/windows-tests.sh $(BUILD)/windows --output-on-failure -j$(JOBS)

# Every flavour is built and tested; the Windows run comes last so CTest's summary closes the output.
test: test-native test-asan test-windows

demo: native
	scripts/demo.sh $(BUILD)/native

# The Windows program under Wine against the simulated module on COM7, in a prefix of its own.
screenshots: native windows
	scripts/gui-session.sh screenshots $(BUILD)
gui: native windows
	scripts/gui-session.sh gui $(BUILD)

# Figures, not pass/fail: parse throughput, `check` against srec_cat, a whole load at 9600 bit/s against the
# simulator (natively, and under Wine when the Windows build exists: mt6402util.exe, then the Windows
# program's own Send Firmware and loader dialog on a virtual display).
bench: native
	$(BUILD)/native/bench/bench_hex_parse --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
	bench/check_vs_srec_cat.sh $(BUILD)/native
	$(BUILD)/native/bench/bench_load $(BUILD)/native/src/cli/mt6402util $(BUILD)/native/tools/sim/mt6402sim
	xvfb-run -a --server-args="-screen 0 1280x1024x24" bench/wine-loads.sh $(BUILD)

# Coverage-guided fuzzing of the parsers for a bounded time; crashes land in fuzz/crashes/ for the tests.
FUZZ_SECONDS ?= 60
fuzz: deps
	scripts/fuzz.sh hex $(FUZZ_SECONDS)
	scripts/fuzz.sh settings $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD)
