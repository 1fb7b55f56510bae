# The two entry points of the README: `make run` sets up, builds in release
# mode and decodes a bundled example; `make test` sets up, builds and runs
# every test, then cross-builds the Windows program and runs the end-to-end
# tests against it under Wine.
BUILD_DIR ?= build/release
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release -DTESSORAN_WERROR=ON
EXAMPLE ?= examples/hello.txt

.PHONY: setup build run test windows clean

setup:
	./tools/setup.sh

build: setup
	cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR)

run: build
	$(BUILD_DIR)/tessoran $(EXAMPLE)

test: build windows
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j2
	./tools/wine-tests.sh $(BUILD_DIR)

# The cross build runs the Linux build's table generator.
windows: build
	TESSORAN_HOST_PATTERN_TABLE_GENERATOR=$(CURDIR)/$(BUILD_DIR)/generate_pattern_table \
	    ./tools/windows-build.sh

clean:
	rm -rf build
