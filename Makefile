# A thin front over CMake. `make run` and `make test` install what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
ifdef CI
CMAKE_FLAGS += -DKORVEL4_WERROR=ON
endif

.PHONY: all deps configure build run test check-sanitize check-release bench package clean

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

# Every test again, built with AddressSanitizer and UndefinedBehaviorSanitizer in a folder
# of its own; any finding fails (tests/sanitizers/run_tests.sh).
SANITIZE_BUILD ?= build-sanitize
check-sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) $(CMAKE_FLAGS) -DKORVEL4_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	@bash tests/sanitizers/run_tests.sh $(SANITIZE_BUILD) $(JOBS)

# The Release build (-O3), warnings as errors, and every test on it.
RELEASE_BUILD ?= build-release
check-release: deps
	@cmake -S . -B $(RELEASE_BUILD) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Release \
	  -DKORVEL4_WERROR=ON >/dev/null
	@cmake --build $(RELEASE_BUILD) -j $(JOBS)
	@cd $(RELEASE_BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	@cd $(BUILD) && ./korvel4-bench

# The Debian package, korvel4_VERSION_ARCH.deb in the build folder (CPack).
package: build
	@cd $(BUILD) && cpack

clean:
	@rm -rf $(BUILD) $(SANITIZE_BUILD) $(RELEASE_BUILD)
