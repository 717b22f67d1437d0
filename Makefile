# The two commands a new user needs:
#   make run    build Orvodesk and start it (with the built-in demo monitor when no hardware is attached)
#   make test   build everything and run every test
# Both install the Debian packages they need first.

JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps build run test test-default test-asan test-tsan bench fuzz package format clean soak

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS)

run: build
	@scripts/run-demo

test: deps test-asan test-tsan test-default

test-default: deps
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS)
	@ctest --preset default -j $(JOBS)

# Every test again under AddressSanitizer and UBSan, the widget tests and the soak included
# (offscreen); leaks are reported at exit.
test-asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)
	@ctest --preset asan -j $(JOBS)

# The threads once under ThreadSanitizer: link, document, hand-off and close, the Qt update bridge
# (closing while monitors stream, and the soak), the Qt serial adapter and the calibration runs.
TSAN_TESTS = ^((LinkTest|TraceRing|ProtocolTest|DocumentTest|DocumentClose|UpdateHandOff|DownloadFormLogic|[A-Za-z0-9]+RunTest|CalibrationEndToEndTest|QtSerialPort[A-Za-z]*)\.|gui\.ClosingTest$$|soak\.)
test-tsan: deps
	@cmake --preset tsan >/dev/null
	@cmake --build --preset tsan -j $(JOBS) --target orvo_core_tests orvo_e2e_tests orvo_gui_tests orvo_soak
	@ctest --preset tsan -j $(JOBS) -R '$(TSAN_TESTS)'

bench: build
	@build/default/bench/orvo_bench

# Sixteen simulated monitors with faults injected at random, driven through the application's windows.
SOAK_SECONDS ?= 300
SOAK_SEED ?= 1
soak: deps
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS) --target orvo_soak
	@QT_QPA_PLATFORM=offscreen TZ=America/New_York build/default/tests/soak/orvo_soak \
	    --seconds $(SOAK_SECONDS) --seed $(SOAK_SEED)

# Every libFuzzer target for FUZZ_SECONDS each (clang; CI runs a fixed number of inputs instead).
FUZZ_SECONDS ?= 120
fuzz:
	@scripts/run-fuzz $(FUZZ_SECONDS)

# The Debian package of orvodesk, orvoctl and orvo-sim: build/default/package/orvodesk_*.deb
package: build
	@cd build/default && cpack -G DEB --config CPackConfig.cmake

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf build
