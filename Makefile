# The two commands. Both install what is missing (apt-get, as root or with sudo) and build in build/.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
SANITIZE ?= OFF
JOBS ?= $(shell nproc)
CMAKE_FLAGS = -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DKB_SANITIZE=$(SANITIZE)

.PHONY: run test build build-run deps demo demo-reset clean bench

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# What a run needs and nothing more: the program and the tool that makes the demonstration data.
build-run: deps
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target kenbo-rendo kb-make-fixture

# Starts the wizard on demo/, made first when it does not exist (never deleted or overwritten).
run: build-run
	@bash scripts/run-demo.sh $(BUILD_DIR)

# Makes demo/ when it does not exist, without starting the program.
demo: build-run
	@bash scripts/run-demo.sh $(BUILD_DIR) --prepare

# Starts afresh: the current demo/ is moved aside to demo.old-<time>, a new one is made.
demo-reset: build-run
	@bash scripts/run-demo.sh $(BUILD_DIR) --reset

# `make test SANITIZE=ON` builds with address and undefined-behaviour sanitizers into build-asan/.
test:
	@$(MAKE) --no-print-directory build BUILD_DIR=$(if $(filter ON,$(SANITIZE)),build-asan,$(BUILD_DIR))
	@cd $(if $(filter ON,$(SANITIZE)),build-asan,$(BUILD_DIR)) && QT_QPA_PLATFORM=offscreen \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ctest --output-on-failure -j $(JOBS) --timeout 600

bench: build
	@for b in $(BUILD_DIR)/bench/kb_bench_*; do [ -x "$$b" ] && "$$b"; done

clean:
	rm -rf build build-asan
