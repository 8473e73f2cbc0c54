# A thin front over CMake. `make run` and `make test` install what is missing first.
# `make run` and `make package` build only what the player gets: the window program, with
# the wave files and the help page it finds beside it (the pictures and the icon are compiled
# into it), and for the package the compressed manual page and changelog. The tests,
# benchmarks and tools are built by `make test` (everything), `make bench` and the check-*
# targets.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
ifdef CI
CMAKE_FLAGS += -DKORVEL4_WERROR=ON
endif

.PHONY: all deps deps-tests configure build build-program run test check-sanitize check-release bench \
	package clean

all: build

deps:
	@bash scripts/install-deps.sh

# What only the tests need besides: haproxy, chromium and the browser tests' driver.
deps-tests:
	@bash scripts/install-deps.sh --tests

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The window program and what it opens at run time (its target copies the wave files and the
# help page beside it).
build-program: configure
	@cmake --build $(BUILD) -j $(JOBS) --target korvel4

run: build-program
	@cd $(BUILD) && ./korvel4

test: deps-tests build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Every test again, built with AddressSanitizer and UndefinedBehaviorSanitizer in a folder
# of its own; any finding fails (tests/sanitizers/run_tests.sh).
SANITIZE_BUILD ?= build-sanitize
check-sanitize: deps-tests
	@cmake -S . -B $(SANITIZE_BUILD) $(CMAKE_FLAGS) -DKORVEL4_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	@bash tests/sanitizers/run_tests.sh $(SANITIZE_BUILD) $(JOBS)

# The Release build (-O3), warnings as errors, and every test on it.
RELEASE_BUILD ?= build-release
check-release: deps-tests
	@cmake -S . -B $(RELEASE_BUILD) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Release \
	  -DKORVEL4_WERROR=ON >/dev/null
	@cmake --build $(RELEASE_BUILD) -j $(JOBS)
	@cd $(RELEASE_BUILD) && ctest --output-on-failure -j $(JOBS)

bench: configure
	@cmake --build $(BUILD) -j $(JOBS) --target korvel4-bench
	@cd $(BUILD) && ./korvel4-bench

# The Debian package, korvel4_VERSION_ARCH.deb in the build folder (CPack). korvel4_installed
# is everything the install rules take from the build (packaging/packaging.cmake); CPack
# itself builds nothing more.
package: configure
	@cmake --build $(BUILD) -j $(JOBS) --target korvel4_installed
	@cd $(BUILD) && cpack

clean:
	@rm -rf $(BUILD) $(SANITIZE_BUILD) $(RELEASE_BUILD)
