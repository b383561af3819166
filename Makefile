# Two commands matter: `make play` and `make test`. Both install what they need first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# Extra options for the game, e.g. `make play ARGS="--windowed 1024x768"`.
ARGS ?=

.PHONY: all deps configure build play test bench clean

all: build

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

play: build
	$(BUILD_DIR)/game/bin/terravik $(ARGS)

test: build
	bash scripts/run-tests.sh $(BUILD_DIR)

bench: build
	$(BUILD_DIR)/bench/terravik_bench

clean:
	rm -rf $(BUILD_DIR)
