# Two commands matter: `make play` and `make test`. Both install what they need first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps configure build play test bench clean

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

play: build
	$(BUILD_DIR)/game/bin/terravik

test: build
	bash scripts/run-tests.sh $(BUILD_DIR)

bench: build
	$(BUILD_DIR)/bench/terravik_bench

clean:
	rm -rf $(BUILD_DIR)
