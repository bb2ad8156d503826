# The doors into the project. Each target installs what is missing first.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
ifeq ($(CI),true)
CMAKE_FLAGS += -DZQV_WERROR=ON
endif
SAMPLE ?= samples/welcome.eml

.PHONY: setup build demo test clean

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
