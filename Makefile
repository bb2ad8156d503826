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
	@cmake --build $(BUILD_DIR) --target bench bench_gmime
	@python3 tools/make_bench_corpus.py $(BUILD_DIR)/bench-corpus
	@$(BUILD_DIR)/bench $(BUILD_DIR)/bench-corpus

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

# Every hostile shape through every entry point that reads it, from 100 KB to
# 10 MB: time, growth per tenfold and peak memory (a few minutes, at low
# priority). STRESS_ARGS picks shapes or a smaller largest size.
STRESS_ARGS ?=
.PHONY: stress
stress: setup
	@cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD_DIR) --target stress
	@nice $(BUILD_DIR)/stress $(STRESS_ARGS)

# The cross builds, each into a build tree of its own with its tests run on
# this machine (scripts/test-cross.sh): the Windows DLLs cross-built with
# mingw-w64 and tested under Wine (x64 and 32-bit), the Linux ARM libraries
# cross-built with Debian's GCC and tested under qemu (arm64 and ARM 32-bit),
# and the Linux 32-bit x86 library cross-built with Debian's i686 GCC and
# tested with the i386 libraries (natively, or under qemu on a kernel without
# 32-bit support). Then the Xojo package of the six libraries; see
# docs/platforms.md.
WIN_BUILD_DIR ?= build-win64
WINDOWS_PACKAGES = g++-mingw-w64-x86-64-posix wine64
WIN32_BUILD_DIR ?= build-win32
WINDOWS_X86_PACKAGES = g++-mingw-w64-i686-posix wine32
ARM64_BUILD_DIR ?= build-arm64
ARM64_PACKAGES = g++-aarch64-linux-gnu qemu-user
ARM_BUILD_DIR ?= build-arm
ARM_PACKAGES = g++-arm-linux-gnueabihf qemu-user
X86_BUILD_DIR ?= build-x86
X86_PACKAGES = g++-i686-linux-gnu libc6:i386 libstdc++6:i386 qemu-user
.PHONY: windows test-windows windows-x86 test-windows-x86 linux-arm64 test-linux-arm64 \
	linux-arm test-linux-arm linux-x86 test-linux-x86 package

# $(call cross_build,PACKAGES,BUILD_DIR,TOOLCHAIN_FILE): installs what the
# target lacks, then configures and builds its tree.
cross_build = bash scripts/setup.sh $(1) && \
	cmake -S . -B $(2) -G Ninja -DCMAKE_TOOLCHAIN_FILE=$(3) $(CMAKE_FLAGS) >/dev/null && \
	cmake --build $(2) -j2

windows:
	@$(call cross_build,$(WINDOWS_PACKAGES),$(WIN_BUILD_DIR),cmake/mingw-w64.cmake)

test-windows: windows build
	@bash scripts/test-cross.sh windows $(WIN_BUILD_DIR) $(BUILD_DIR)

windows-x86:
	@$(call cross_build,$(WINDOWS_X86_PACKAGES),$(WIN32_BUILD_DIR),cmake/mingw-w64-i686.cmake)

test-windows-x86: windows-x86 build
	@bash scripts/test-cross.sh windows-x86 $(WIN32_BUILD_DIR) $(BUILD_DIR)

linux-arm64:
	@$(call cross_build,$(ARM64_PACKAGES),$(ARM64_BUILD_DIR),cmake/linux-arm64.cmake)

test-linux-arm64: linux-arm64 build
	@bash scripts/test-cross.sh linux-arm64 $(ARM64_BUILD_DIR) $(BUILD_DIR)

linux-arm:
	@$(call cross_build,$(ARM_PACKAGES),$(ARM_BUILD_DIR),cmake/linux-arm.cmake)

test-linux-arm: linux-arm build
	@bash scripts/test-cross.sh linux-arm $(ARM_BUILD_DIR) $(BUILD_DIR)

linux-x86:
	@$(call cross_build,$(X86_PACKAGES),$(X86_BUILD_DIR),cmake/linux-x86.cmake)

test-linux-x86: linux-x86 build
	@bash scripts/test-cross.sh linux-x86 $(X86_BUILD_DIR) $(BUILD_DIR)

PACKAGE_BUILD_DIRS = $(BUILD_DIR) $(WIN_BUILD_DIR) $(WIN32_BUILD_DIR) $(ARM64_BUILD_DIR) \
	$(ARM_BUILD_DIR) $(X86_BUILD_DIR)
package: windows windows-x86 linux-arm64 linux-arm linux-x86 build
	@bash scripts/package.sh $(PACKAGE_BUILD_DIRS) $(BUILD_DIR)/ZQVMime.xojo_plugin
	@bash scripts/check-reproducible-package.sh $(PACKAGE_BUILD_DIRS) $(BUILD_DIR)/ZQVMime.xojo_plugin
	@$(BUILD_DIR)/zqvmime_tests --gtest_brief=1 --gtest_filter='Package*'

# The library and the whole suite built with clang against LLVM's libc++, the
# C++ library of macOS, and run here: code that only libstdc++ accepts shows
# up before anyone builds on a Mac.
LIBCXX_BUILD_DIR ?= build-libcxx
LIBCXX_PACKAGES = clang libc++-dev libc++abi-dev
.PHONY: test-libcxx
test-libcxx:
	@bash scripts/setup.sh $(LIBCXX_PACKAGES)
	@cmake -S . -B $(LIBCXX_BUILD_DIR) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/clang-libcxx.cmake $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(LIBCXX_BUILD_DIR) -j2 --target zqvmime zqvmime_tests mimedump
	@cd $(LIBCXX_BUILD_DIR) && ctest --output-on-failure -j2
