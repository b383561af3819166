# Two commands matter: `make play` and `make test`. Both install what they need first:
# playing and installing need the build packages only, the test, bench, fuzz and soak
# targets the test packages as well (scripts/packages-build.txt, scripts/packages-test.txt).
BUILD_DIR ?= build
# The sanitizer (ASan + UBSan) build of the unit and GL tests, and the clang fuzz build.
ASAN_BUILD_DIR ?= build-asan
FUZZ_BUILD_DIR ?= build-fuzz
# Executions per fuzz target in the smoke run.
FUZZ_RUNS ?= 4000
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# Extra options for the game, e.g. `make play ARGS="--windowed 1024x768"`.
ARGS ?=
# Where `make install` puts the game; DESTDIR stages it for packaging.
PREFIX ?= /usr/local
DESTDIR ?=

# The package lists `deps` installs; the targets that run tests, benchmarks or fuzzers add the
# test list (make passes a target's variables on to what it depends on).
DEPS_LISTS ?= build
test bench fuzz soak: DEPS_LISTS = build test

.PHONY: all deps configure build play test bench fuzz soak install deb clean

all: build

deps:
	bash scripts/install-deps.sh $(DEPS_LISTS)

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# Only what playing needs: the game, the data generator and the data (no tests).
play: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target terravik game_data
	$(BUILD_DIR)/game/bin/terravik $(ARGS)

# Builds what is installed (not the tests), then installs it under DESTDIR/PREFIX with the
# executables stripped.
INSTALLED_TARGETS = terravik terravik-datagen terravik-inspect terravik-import terravik-pack game_data game_icon
install: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target $(INSTALLED_TARGETS)
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)" --strip

# The binary Debian package, $(BUILD_DIR)/terravik_VERSION-1_ARCH.deb: what `make install` installs,
# laid out as Debian lays out games, with its library dependencies from dpkg-shlibdeps.
deb: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target $(INSTALLED_TARGETS)
	bash scripts/make-deb.sh $(BUILD_DIR) $(BUILD_DIR)

# Every test, then the unit and GL tests again under the sanitizers, then the fuzz smoke
# (skipped without clang). Each stage prints how long it took.
test: build
	bash scripts/run-tests.sh $(BUILD_DIR)
	@start=$$(date +%s); bash scripts/sanitize-tests.sh $(ASAN_BUILD_DIR) && \
	  echo "sanitizer build and tests: $$(( $$(date +%s) - start )) s"
	@start=$$(date +%s); FUZZ_RUNS=$(FUZZ_RUNS) bash scripts/fuzz-smoke.sh $(BUILD_DIR)/game $(FUZZ_BUILD_DIR) && \
	  echo "fuzz build and smoke: $$(( $$(date +%s) - start )) s"

# Long fuzzing, not part of make test: every target for FUZZ_SECONDS (default 600) each.
FUZZ_SECONDS ?= 600
fuzz: build
	FUZZ_SECONDS=$(FUZZ_SECONDS) bash scripts/fuzz-smoke.sh $(BUILD_DIR)/game $(FUZZ_BUILD_DIR)

# Long memory run, not part of make test: SOAK_FRAMES=N (default 20000 frames at 16 ms), or
# SOAK_SECONDS=N for a run of N seconds (e.g. 1200 for twenty minutes).
soak: build
	SOAK_SECONDS=$(SOAK_SECONDS) bash scripts/soak.sh $(BUILD_DIR)/game $(SOAK_FRAMES)

# The benchmarks, then the timedemo (one wave and TIMEDEMO_WAVES extra waves at 1280x800).
bench: build
	$(BUILD_DIR)/bench/terravik_bench
	bash scripts/timedemo.sh $(BUILD_DIR)/game

clean:
	rm -rf $(BUILD_DIR) $(ASAN_BUILD_DIR) $(FUZZ_BUILD_DIR)
