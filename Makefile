# Two entry points for a fresh Debian 12 machine:
#   make run   installs what is missing, builds a Release build in build/ and starts Torvask
#   make test  installs what is missing, builds everything and runs the whole test suite
#   make package  builds the Debian package (build/torvask_<version>-1_<arch>.deb) with CPack
# and for developers:
#   make fuzz  builds the file readers' fuzz targets with clang in build-fuzz/ and runs each
#              for FUZZ_SECONDS (default 60), FUZZ_JOBS at a time (default 1)
BUILD_DIR ?= build
BUILD_TYPE ?= Release
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: run test build deps configure bench fuzz package clean

deps:
	@bash scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@if [ -x $(BUILD_DIR)/torvask ]; then cd $(BUILD_DIR) && ./torvask; \
	elif [ -x $(BUILD_DIR)/torvask-lab ]; then $(BUILD_DIR)/torvask-lab --help; \
	else echo "Built. There is no program to start yet."; fi

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS) --timeout 600

package: build
	@cd $(BUILD_DIR) && cpack -G DEB

bench: build
	@for b in $(BUILD_DIR)/bench/*_bench; do [ -f "$$b" ] && [ -x "$$b" ] && "$$b"; done; true

FUZZ_SECONDS ?= 60
FUZZ_JOBS ?= 1
fuzz: deps
	@FUZZ_JOBS=$(FUZZ_JOBS) bash scripts/fuzz $(FUZZ_SECONDS) $(FUZZ_TARGETS)

clean:
	@rm -rf $(BUILD_DIR)
