# The two commands of the Quick start, and a few more. Each sets up what is
# missing, configures with a CMake preset and builds.
PRESET ?= release
FUZZ_SECONDS ?= 60
BUILD := build/$(PRESET)

.PHONY: all setup build run test test-windows bench fuzz package clean

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

# tagwell-convert cross-built for Windows with MinGW-w64 and run under wine
# through the command-line suite's portable cases, each compared byte for
# byte with this build's. Apart from `test`: it needs the cross compiler and
# wine, and CI runs it (.ci/run).
test-windows: build
	@scripts/setup.sh windows
	@cmake --preset windows-cli >/dev/null
	@cmake --build --preset windows-cli
	@tests/windows_wine.sh $(BUILD)/tests/tst_cli build/windows-cli/cli/tagwell-convert.exe

bench: build
	@$(BUILD)/bench/tagwell-bench-core
	@find /usr/include/c++ -type f | LC_ALL=C sort | xargs cat 2>/dev/null | head -c 10485760 >$(BUILD)/bench/source-10m.txt
	@$(BUILD)/bench/tagwell-bench $(BUILD)/bench/source-10m.txt
	@bench/compare_sed.sh $(BUILD)/cli/tagwell-convert $(BUILD)/bench/tagwell-bench-copy
	@bench/startup.sh $(BUILD)/app/tagwell $(BUILD)/bench/tagwell-bench-minimal-window

fuzz:
	@FUZZ_SECONDS=$(FUZZ_SECONDS) fuzz/run.sh

package: build
	@scripts/setup.sh package
	@cd $(BUILD) && cpack

clean:
	rm -rf build
