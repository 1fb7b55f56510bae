# SPDX-License-Identifier: Apache-2.0
# The two entry points of the README: `make run` sets up, builds in release
# mode and decodes a bundled example; `make test` sets up, checks that every
# C and C++ file is formatted as .clang-format asks, builds and runs every
# test: in the release build, again with the sanitizers, the end-to-end tests
# against the cross-built Windows program under Wine, the installed tree, the
# library found both ways, the Python module, the Debian packages (lintian,
# then installed and used in a throwaway copy of the machine), and each fuzz
# target for a short while on its seeds.
# `make install` (PREFIX=/usr/local) takes the release build; `make package`
# builds the Debian packages into build/deb with dpkg-buildpackage.
BUILD_DIR ?= build/release
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release -DTESSORAN_WERROR=ON
SANITIZE_DIR ?= build/sanitize
SANITIZE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSORAN_WERROR=ON -DTESSORAN_SANITIZE=ON \
	-DTESSORAN_BENCH=OFF
EXAMPLE ?= examples/hello.txt
PREFIX ?= /usr/local
# Seconds each fuzz target runs in `make test`: enough to find a target that
# no longer builds or crashes at once; tools/fuzz.sh runs longer ones.
FUZZ_SECONDS ?= 30

.PHONY: setup setup-test setup-package build run install package test test-format test-release \
	test-sanitize test-windows test-install test-python test-package test-fuzz windows clean

setup:
	./tools/setup.sh

setup-test:
	./tools/setup.sh --test

build: setup
	cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR)

run: build
	$(BUILD_DIR)/tessoran $(EXAMPLE)

install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

setup-package:
	./tools/setup.sh --package

package: setup-package
	./tools/package.sh build/deb

test: test-format test-release test-sanitize test-windows test-install test-python test-package \
	test-fuzz

test-format: setup-test
	./tools/format-check.sh

test-release: setup-test build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j2

# AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer: any report
# fails the test that caused it.
test-sanitize: setup-test
	cmake -S . -B $(SANITIZE_DIR) -G Ninja $(SANITIZE_FLAGS)
	cmake --build $(SANITIZE_DIR)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --test-dir $(SANITIZE_DIR) --output-on-failure -j2

test-windows: setup-test windows
	./tools/wine-tests.sh $(BUILD_DIR)

test-install: setup-test build
	./tools/install-check.sh $(BUILD_DIR)

test-python: setup-test build
	./tools/python-tests.sh $(BUILD_DIR)

test-package: setup-test build
	./tools/package-check.sh $(BUILD_DIR)

test-fuzz: setup-test
	./tools/fuzz.sh $(FUZZ_SECONDS)

# The cross build runs the Linux build's table generator.
windows: setup-test build
	TESSORAN_HOST_PATTERN_TABLE_GENERATOR=$(CURDIR)/$(BUILD_DIR)/generate_pattern_table \
	    ./tools/windows-build.sh

clean:
	rm -rf build
