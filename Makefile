# A thin front over CMake. `make run` and `make test` install what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
ifdef CI
CMAKE_FLAGS += -DKORVEL4_WERROR=ON
endif

.PHONY: all deps configure build run test bench package clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@cd $(BUILD) && ./korvel4

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	@cd $(BUILD) && ./korvel4-bench

# The Debian package, korvel4_VERSION_ARCH.deb in the build folder (CPack).
package: build
	@cd $(BUILD) && cpack

clean:
	@rm -rf $(BUILD)
