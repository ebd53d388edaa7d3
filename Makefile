# Two commands do everything on a fresh Debian machine:
#   make run   installs missing packages, builds, starts the game on data/
#   make test  the same set-up, then a sanitizer build and every test
.PHONY: setup build run test bench format clean

JOBS ?= $(shell nproc)
RELEASE_DIR := build/release
TEST_DIR := build/test
RUN_ARGS ?=

setup:
	@bash deps/install.sh

build: setup
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLOAM_TESTS=OFF
	cmake --build $(RELEASE_DIR) -j $(JOBS)

run: build
	./$(RELEASE_DIR)/gloamreach --data-dir data $(RUN_ARGS)

test: setup
	cmake -S . -B $(TEST_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	    -DGLOAM_SANITIZE=ON -DGLOAM_FUZZ=ON -DGLOAM_BENCH=OFF
	cmake --build $(TEST_DIR) -j $(JOBS)
	cd $(TEST_DIR) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	    ctest --output-on-failure -j $(JOBS) --timeout 300

bench: build
	cmake -S . -B $(RELEASE_DIR) -DGLOAM_BENCH=ON
	cmake --build $(RELEASE_DIR) -j $(JOBS)
	@for b in $(RELEASE_DIR)/bench/bench_*; do echo "== $$b"; $$b; done

format:
	find engine game server graphics sound client ui tools main tests bench \
	    -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf build
