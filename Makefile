# Lumora: two commands do all the set-up on a fresh Debian 12 machine.
#   make run    install what is missing, build, start the program
#   make test   install what is missing, build, run the whole suite
# Other targets: build, asan, fuzz, bench, clean.

JOBS      ?= $(shell nproc)
BUILD     ?= build
ASAN      ?= build-asan
FUZZBUILD ?= build-fuzz
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: all deps configure build asan run test test-main test-asan fuzz bench clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release

configure: $(BUILD)/CMakeCache.txt

build: deps configure
	cmake --build $(BUILD) -j $(JOBS)

$(ASAN)/CMakeCache.txt: | deps
	cmake -S . -B $(ASAN) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DLUMORA_SANITIZE=ON \
	  -DLUMORA_BENCH=OFF

# The sanitizer build covers the library, the CLI, the fuzz replays and the windows.
asan: deps $(ASAN)/CMakeCache.txt
	cmake --build $(ASAN) -j $(JOBS)

run: build
	@bash scripts/run.sh $(BUILD)

test-main: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

test-asan: asan
	cd $(ASAN) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ctest --output-on-failure -j $(JOBS) -L "imaging|qt"

test: deps
	@$(MAKE) --no-print-directory test-main
	@$(MAKE) --no-print-directory test-asan

fuzz: deps
	cmake -S . -B $(FUZZBUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DLUMORA_FUZZ=ON \
	  -DLUMORA_WITH_QT=OFF -DLUMORA_BENCH=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(FUZZBUILD) -j $(JOBS)

bench: build
	@for b in $(BUILD)/bench/*_bench; do echo "== $$b"; $$b; done

clean:
	rm -rf $(BUILD) $(ASAN) $(FUZZBUILD)
