# The two commands of the Quick start, and a few more. Each sets up what is
# missing, configures with a CMake preset and builds.
PRESET ?= release
FUZZ_SECONDS ?= 60
WALK_SECONDS ?= 300
BUILD := build/$(PRESET)
# The Windows build that goes with it: warnings as errors beside ci.
WINDOWS_PRESET := $(if $(findstring ci,$(PRESET)),windows-ci,windows)
WINDOWS_BUILD := build/$(WINDOWS_PRESET)

.PHONY: all setup build run test test-windows windows bench bench-windows fuzz walk package package-windows clean

all: build

setup:
	@scripts/setup.sh

build: setup
	@cmake --preset $(PRESET) >/dev/null
	@cmake --build --preset $(PRESET)

run: build
	@$(BUILD)/app/tagwell

test: build
	@ctest --preset $(PRESET)

# The Windows programs cross-built with MinGW-w64 (tagwell.exe, the Win32
# window, and tagwell-convert) and tested under wine: the command-line
# suite's portable cases, each compared byte for byte with this build's;
# then CTest's Windows suites (the core's, the executable's resources, the
# window on Xvfb). Apart from `test`: it needs the cross compiler and wine,
# and CI runs it (.ci/run).
test-windows: build windows
	@tests/windows_wine.sh $(BUILD)/tests/tst_cli $(WINDOWS_BUILD)/cli/tagwell-convert.exe
	@ctest --preset $(WINDOWS_PRESET)

windows:
	@scripts/setup.sh windows
	@cmake --preset $(WINDOWS_PRESET) >/dev/null
	@cmake --build --preset $(WINDOWS_PRESET)

# The benchmarks' sample: 10 MiB of the compiler's standard headers.
WRITE_SAMPLE = find /usr/include/c++ -type f | LC_ALL=C sort | xargs cat 2>/dev/null | head -c 10485760 >

bench: build
	@$(BUILD)/bench/tagwell-bench-core
	@$(WRITE_SAMPLE) $(BUILD)/bench/source-10m.txt
	@$(BUILD)/bench/tagwell-bench $(BUILD)/bench/source-10m.txt
	@bench/compare_sed.sh $(BUILD)/cli/tagwell-convert $(BUILD)/bench/tagwell-bench-copy
	@bench/startup.sh $(BUILD)/app/tagwell $(BUILD)/bench/tagwell-bench-minimal-window

# The Win32 window's figures under wine: big texts beside WM_SETTEXT, the
# in-place costs, start-up beside the least Win32 window.
bench-windows: windows
	@$(WRITE_SAMPLE) $(WINDOWS_BUILD)/bench/source-10m.txt
	@bench/wine_bench.sh $(WINDOWS_BUILD) $(WINDOWS_BUILD)/bench/source-10m.txt

fuzz:
	@FUZZ_SECONDS=$(FUZZ_SECONDS) fuzz/run.sh

# The window walked at random against its model for WALK_SECONDS, seed after
# seed; `make test` walks a few thousand steps. Qt Test ends a test function
# after five minutes unless told otherwise: the last walk may run on past
# WALK_SECONDS for as long as a walk takes.
walk: build
	@TAGWELL_WALK_SECONDS=$(WALK_SECONDS) QTEST_FUNCTION_TIMEOUT=$$((($(WALK_SECONDS) + 600) * 1000)) \
	    QT_QPA_PLATFORM=offscreen $(BUILD)/tests/tst_window_walk randomWalks

package: build
	@scripts/setup.sh package
	@cd $(BUILD) && cpack

# build/windows/tagwell-<version>-windows-x64.zip: unzip and run.
package-windows: windows
	@ls $(WINDOWS_BUILD)/tagwell-*-windows-x64.zip

clean:
	rm -rf build
