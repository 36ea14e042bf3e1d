# The two commands of the README: `make run` and `make test`. Both install what is missing first.
SHELL := /bin/bash
JOBS ?= $(shell nproc)
BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

# Debian packages, by what needs them. The library, the tools and the page (make run, make install,
# make package) need only the first list; the tests, the fuzzers and the benchmarks add theirs.
RUN_PACKAGES := cmake g++ libace-dev zlib1g-dev libre-dev pkg-config nlohmann-json3-dev
TEST_PACKAGES := libgtest-dev libgmock-dev python3 g++-multilib dpkg-dev pkg-config man-db sip-tester
FUZZ_PACKAGES := clang libclang-rt-14-dev
BENCH_PACKAGES := libbenchmark-dev libinih-dev libspdlog-dev
# The Windows build (make windows) cross-compiles with mingw-w64 and its zlib, and ACE from
# Debian's source package (dpkg-source unpacks it); its tests (in make test) run under wine64 on
# an Xvfb screen.
WINDOWS_PACKAGES := g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev dpkg-dev
WINDOWS_TEST_PACKAGES := $(WINDOWS_PACKAGES) wine64 xvfb
PACKAGES := $(RUN_PACKAGES) $(TEST_PACKAGES) $(FUZZ_PACKAGES) $(BENCH_PACKAGES) $(WINDOWS_TEST_PACKAGES)

# Where `make install` puts the tree; DESTDIR=DIR stages it under DIR.
PREFIX ?= /usr/local

.PHONY: deps deps-run build build-run run install package test test-unit test-asan test-tsan \
        test-m32 test-windows windows fuzz-build fuzz-replay fuzz bench format clean

# install-missing(PACKAGE...): installs the packages that are not installed yet.
define install-missing
	@missing=$$(for p in $(1); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing: $$missing"; \
	  SUDO=$$( [ "$$(id -u)" = 0 ] || echo sudo ); \
	  $$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $$missing; \
	fi
endef

deps:
	$(call install-missing,$(PACKAGES))

deps-run:
	$(call install-missing,$(RUN_PACKAGES))

# The library, the tools, the page and what they install, without tests or benchmarks.
build-run: deps-run
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DVTX_TESTS=OFF -DVTX_BENCH=OFF >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DVTX_TESTS=ON -DVTX_BENCH=ON >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

run: build-run
	TARROW_DRIVER=$${TARROW_DRIVER:-sim} $(BUILD)/bin/tarrow details

install: build-run
	cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package, in $(BUILD): programs, libraries, headers, man pages, the service, conffiles.
package: build-run
	cd $(BUILD) && cpack -G DEB

# The sanitizer runs, the 32-bit layout check and the fuzz replay first; every test, slow ones
# included, last, so that the run ends with the test summary.
test: build test-asan test-tsan test-m32 test-windows fuzz-replay
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-unit: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -LE slow

test-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVTX_SANITIZE=ON -DVTX_BENCH=OFF >/dev/null
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS) -LE slow

test-tsan: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DVTX_TSAN=ON -DVTX_BENCH=OFF >/dev/null
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tests/tsan.supp" ctest --output-on-failure -j $(JOBS) -L threaded

# The record layouts' published 32-bit sizes are static_asserts that only a 32-bit compile sees.
test-m32: deps
	g++ -m32 -std=c++17 -fsyntax-only -Wall -Wextra -Werror -I. -Iinc tests/support/layout_sizes_32.cpp

# Windows, cross-built: the provider crvnTdevpp.dll, vtx.dll, tarrowhm.dll and tarrow.exe for 32-
# and 64-bit Windows in build-windows/i686/bin and build-windows/x86_64/bin. ACE's library for each
# comes first, built once into build-windows/ace-ARCH.
WINDOWS_ARCHS := i686 x86_64
windows:
	$(call install-missing,$(WINDOWS_PACKAGES))
	for arch in $(WINDOWS_ARCHS); do \
	  JOBS=$(JOBS) tools/windows/build_ace $$arch build-windows/ace-$$arch || exit 1; \
	done
	for arch in $(WINDOWS_ARCHS); do \
	  cmake -S . -B build-windows/$$arch -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-$$arch.cmake \
	    $(CMAKE_FLAGS) -DVTX_TESTS=OFF -DACE_ROOT=$(CURDIR)/build-windows/ace-$$arch >/dev/null && \
	  cmake --build build-windows/$$arch -j $(JOBS) || exit 1; \
	done

# The 32-bit record layouts compiled by the 32-bit Windows compiler, then ACE for 64-bit Windows
# and the 64-bit Windows build with its tests under wine64 (the page on an Xvfb screen leaves its
# picture in build-windows/x86_64-tests/device_details_page.png).
test-windows:
	$(call install-missing,$(WINDOWS_TEST_PACKAGES))
	i686-w64-mingw32-g++-posix -std=c++17 -fsyntax-only -Wall -Wextra -Werror -I. -Iinc \
	  tests/support/layout_sizes_32.cpp
	JOBS=$(JOBS) tools/windows/build_ace x86_64 build-windows/ace-x86_64
	cmake -S . -B build-windows/x86_64-tests -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-x86_64.cmake \
	  $(CMAKE_FLAGS) -DVTX_TESTS=ON -DACE_ROOT=$(CURDIR)/build-windows/ace-x86_64 >/dev/null
	cmake --build build-windows/x86_64-tests -j $(JOBS)
	cd build-windows/x86_64-tests && ctest --output-on-failure -j $(JOBS)

fuzz-build: deps-run
	$(call install-missing,$(FUZZ_PACKAGES))
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DVTX_FUZZ=ON -DVTX_BENCH=OFF -DVTX_TESTS=OFF >/dev/null
	cmake --build build-fuzz -j $(JOBS) --target fuzzers

# Replays every fuzz target over its saved corpus (seconds).
fuzz-replay: fuzz-build
	./fuzz/replay build-fuzz/bin

# The long runs, by hand: FUZZ_SECONDS per target (default 600).
fuzz: fuzz-build
	./fuzz/run build-fuzz/bin $${FUZZ_SECONDS:-600}

bench: deps-run
	$(call install-missing,$(BENCH_PACKAGES))
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DVTX_TESTS=OFF >/dev/null
	cmake --build build-bench -j $(JOBS)
	./bench/run build-bench/bin

format:
	git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format -i

clean:
	rm -rf build build-asan build-tsan build-fuzz build-bench build-windows
