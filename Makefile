# The two entry points of the README: `make run` sets up, builds in release
# mode and decodes a bundled example; `make test` sets up, builds and runs
# every test.
BUILD_DIR ?= build/release
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release -DTESSORAN_WERROR=ON
EXAMPLE ?= examples/hello.txt

.PHONY: setup build run test clean

setup:
	./tools/setup.sh

build: setup
	cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR)

run: build
	$(BUILD_DIR)/tessoran $(EXAMPLE)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j2

clean:
	rm -rf build
