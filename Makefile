# The doors into the project. Each target installs what is missing first.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
ifeq ($(CI),true)
CMAKE_FLAGS += -DZQV_WERROR=ON
endif
SAMPLE ?= samples/welcome.eml
ASAN_BUILD_DIR ?= build-asan
FUZZ_BUILD_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?=
# Any sanitizer report ends the test that caused it, with the stack of the fault.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: setup build demo test clean test-asan fuzz

setup:
	@bash scripts/setup.sh

build: setup
	@cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD_DIR)

demo: build
	@$(BUILD_DIR)/mimedump $(SAMPLE)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j2

clean:
	rm -rf $(BUILD_DIR)

# The whole suite with AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: setup
	@cmake -S . -B $(ASAN_BUILD_DIR) -G Ninja -DZQV_SANITIZE=ON -DZQV_WERROR=OFF >/dev/null
	@cmake --build $(ASAN_BUILD_DIR) -j2
	@cd $(ASAN_BUILD_DIR) && $(SANITIZER_ENV) ctest --output-on-failure -j2

# Every fuzz target of fuzz/ (or those named in FUZZ_TARGETS) for FUZZ_SECONDS
# seconds each, one at a time.
fuzz:
	@bash scripts/setup.sh clang libclang-rt-14-dev
	@cmake -S . -B $(FUZZ_BUILD_DIR) -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
		-DZQV_FUZZ=ON -DZQV_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD_DIR) -j2 --target fuzz_targets
	@bash fuzz/run.sh $(FUZZ_BUILD_DIR) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# The plugin against the parser it wraps and against GMime, on a corpus
# generated into the build tree; the figures are read against the budgets in
# docs/performance.md. Only this target needs GMime (and valgrind).
BENCH_PACKAGES = valgrind pkg-config libgmime-3.0-dev
.PHONY: bench
bench:
	@bash scripts/setup.sh $(BENCH_PACKAGES)
	@cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD_DIR) --target bench bench_gmime bench_mbox
	@python3 tools/make_bench_corpus.py $(BUILD_DIR)/bench-corpus
	@$(BUILD_DIR)/bench $(BUILD_DIR)/bench-corpus
	@$(BUILD_DIR)/bench_mbox $(BUILD_DIR)/bench-corpus

# The plugin half of the benchmark for the Windows DLL, under Wine: MB/s and
# the new pages each message costs where every large block is mapped afresh.
.PHONY: bench-windows
bench-windows: windows
	@python3 tools/make_bench_corpus.py $(BUILD_DIR)/bench-corpus
	@python3 tools/bench_windows.py --build-dir $(WIN_BUILD_DIR) --corpus $(BUILD_DIR)/bench-corpus

# Whether a change leaves every reading the same: mimedump of BASE (default:
# where this branch left main) against mimedump of the working tree, on the
# samples, the benchmark corpus, the fuzz corpora and generated messages.
# MATCH=<text> keeps only the messages whose path contains it.
BASE ?=
MATCH ?=
.PHONY: compare-parse
compare-parse: setup
	@cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS) >/dev/null
	@python3 tools/compare_parse.py --build-dir $(BUILD_DIR) $(if $(BASE),--base $(BASE)) \
		$(if $(MATCH),--match '$(MATCH)')

# mimetic's source with our patch series pushed by quilt, in
# $(MIMETIC_TREE_DIR), for editing a patch: see docs/patches.md.
MIMETIC_TREE_DIR ?= $(BUILD_DIR)/mimetic-tree
.PHONY: mimetic-tree
mimetic-tree:
	@bash scripts/setup.sh quilt
	@bash scripts/mimetic-tree.sh $(MIMETIC_TREE_DIR)

# Every hostile shape through every entry point that reads it, from 100 KB to
# 10 MB: time, growth per tenfold and peak memory (a few minutes, at low
# priority). STRESS_ARGS picks shapes or a smaller largest size.
STRESS_ARGS ?=
.PHONY: stress
stress: setup
	@cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD_DIR) --target stress
	@nice $(BUILD_DIR)/stress $(STRESS_ARGS)

# The Windows x64 DLL, cross-built with mingw-w64 into $(WIN_BUILD_DIR), with
# its tests run under Wine; the Linux arm64 library, cross-built with Debian's
# aarch64 GCC into $(ARM64_BUILD_DIR), with its tests run under qemu; and the
# Xojo package of the three libraries.
WIN_BUILD_DIR ?= build-win64
WINDOWS_PACKAGES = g++-mingw-w64-x86-64-posix wine64
ARM64_BUILD_DIR ?= build-arm64
ARM64_PACKAGES = g++-aarch64-linux-gnu qemu-user
.PHONY: windows test-windows linux-arm64 test-linux-arm64 package

windows:
	@bash scripts/setup.sh $(WINDOWS_PACKAGES)
	@cmake -S . -B $(WIN_BUILD_DIR) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(WIN_BUILD_DIR) -j2

test-windows: windows build
	@bash scripts/test-cross.sh windows $(WIN_BUILD_DIR) $(BUILD_DIR)

linux-arm64:
	@bash scripts/setup.sh $(ARM64_PACKAGES)
	@cmake -S . -B $(ARM64_BUILD_DIR) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/linux-arm64.cmake $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(ARM64_BUILD_DIR) -j2

test-linux-arm64: linux-arm64 build
	@bash scripts/test-cross.sh linux-arm64 $(ARM64_BUILD_DIR) $(BUILD_DIR)

package: windows linux-arm64 build
	@bash scripts/package.sh $(BUILD_DIR) $(WIN_BUILD_DIR) $(ARM64_BUILD_DIR) $(BUILD_DIR)/ZQVMime.xojo_plugin
	@bash scripts/check-reproducible-package.sh $(BUILD_DIR) $(WIN_BUILD_DIR) $(ARM64_BUILD_DIR) $(BUILD_DIR)/ZQVMime.xojo_plugin
	@$(BUILD_DIR)/zqvmime_tests --gtest_brief=1 --gtest_filter='Package*'
