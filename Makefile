# Two commands matter: `make play` and `make test`. Both install what they need first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# Extra options for the game, e.g. `make play ARGS="--windowed 1024x768"`.
ARGS ?=
# Where `make install` puts the game; DESTDIR stages it for packaging.
PREFIX ?= /usr/local
DESTDIR ?=

.PHONY: all deps configure build play test bench clean install

all: build

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# Only what playing needs: the game, the data generator and the data (no tests).
play: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target terravik game_data
	$(BUILD_DIR)/game/bin/terravik $(ARGS)

# Builds what is installed (not the tests), then installs it under DESTDIR/PREFIX.
install: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target terravik terravik-datagen terravik-inspect game_data game_icon
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"

test: build
	bash scripts/run-tests.sh $(BUILD_DIR)

bench: build
	$(BUILD_DIR)/bench/terravik_bench

clean:
	rm -rf $(BUILD_DIR)
