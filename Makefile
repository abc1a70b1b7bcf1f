# The two commands of the README: `make run` and `make test`.
BUILD ?= build
JOBS  ?= 2
SECONDS_TO_FUZZ ?= 60
PLAY_SECONDS ?= 30

CONFIGURE = cmake -G Ninja -DCMAKE_BUILD_TYPE=Release -S .
# The Windows folders take their toolchain from the environment: CMake reads
# it only when a folder is first configured, and a -D option would be reported
# as unused on every later run.

.PHONY: all deps native win32 win64 asan build test run play bench fuzz dist clean

all: build

deps:
	@bash scripts/install-deps.sh

native: deps
	@$(CONFIGURE) -B $(BUILD)/native -DWERROR=ON >/dev/null
	@cmake --build $(BUILD)/native -j$(JOBS)

asan: deps
	@$(CONFIGURE) -B $(BUILD)/asan -DSANITIZE=ON >/dev/null
	@cmake --build $(BUILD)/asan -j$(JOBS)

win32: deps
	@CMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchain-i686-mingw.cmake $(CONFIGURE) -B $(BUILD)/win32 >/dev/null
	@cmake --build $(BUILD)/win32 -j$(JOBS)

win64: deps
	@CMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchain-x86_64-mingw.cmake $(CONFIGURE) -B $(BUILD)/win64 >/dev/null
	@cmake --build $(BUILD)/win64 -j$(JOBS)

build: native asan win32 win64

test: build
	@bash scripts/test.sh $(BUILD)

run: win32 win64
	@bash scripts/run.sh $(BUILD)

# The built-in song through melvane.dll under Wine, on the sound output.
# Without a sound output it says so before building anything.
play:
	@bash scripts/play.sh check $(BUILD)
	@$(MAKE) --no-print-directory win64
	@bash scripts/play.sh $(BUILD) $(PLAY_SECONDS)

# RENDER_BEFORE=path/to/melvane-render times another build's renderer side by side;
# OPPONENT_GAMES=20 plays the opponent's full tables (about 7 minutes).
bench: native
	@OPPONENT_GAMES=$(OPPONENT_GAMES) bash scripts/bench.sh $(BUILD) $(RENDER_BEFORE)

# Fuzzes each target for SECONDS_TO_FUZZ seconds; new inputs and crashes land
# in $(BUILD)/fuzz/work-<name>; copy reproducers into tests/fuzz/corpus/<name>.
fuzz: deps
	@bash scripts/fuzz.sh check $(SECONDS_TO_FUZZ)
	@CC=clang CXX=clang++ $(CONFIGURE) -B $(BUILD)/fuzz -DFUZZ=ON -DWERROR=ON >/dev/null
	@cmake --build $(BUILD)/fuzz -j$(JOBS)
	@bash scripts/fuzz.sh $(BUILD)/fuzz $(SECONDS_TO_FUZZ)

# The release archives dist/orvo-melvane-VERSION-win32.zip and -win64.zip.
dist: win32 win64
	@bash scripts/dist.sh win32 $(BUILD)/win32 dist
	@bash scripts/dist.sh win64 $(BUILD)/win64 dist

clean:
	rm -rf $(BUILD)
