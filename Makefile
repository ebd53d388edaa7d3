# Two commands do everything on a fresh Debian machine:
#   make run   installs missing packages, builds, starts the game on data/
#   make test  the same set-up plus the test tools, then every test twice: in a
#              sanitizer build (ASan + UBSan) and in the release build
.PHONY: pictures soak test-loaded setup setup-test build run test test-sanitize test-release bench fuzz format clean

JOBS ?= $(shell nproc)
RELEASE_DIR := build/release
TEST_DIR := build/test
FUZZ_DIR := build/fuzz
RUN_ARGS ?=
FUZZ_SECONDS ?= 60
# A ctest run that finds no test fails: a label or pattern that matches
# nothing, or a tree without tests, is never a pass.
CTEST := ctest --output-on-failure --no-tests=error -j $(JOBS) --timeout 300
# Each CI stage's wall time goes to build/stage-times.txt (.ci/run prints it).
# The window tests of both test builds share one shader cache (Mesa's).
SHADER_CACHE := -DGLOAM_TEST_SHADER_CACHE_DIR=$(CURDIR)/build/shader-cache
TIMED := bash $(CURDIR)/.ci/timed.sh

setup:
	@bash deps/install.sh debian-packages.txt

setup-test:
	@$(TIMED) packages bash deps/install.sh debian-packages.txt debian-test-packages.txt

# The release tree serves the game and the second test run; -DGLOAM_TESTS
# follows whichever target configured it last, the compiled libraries stay.
# Every target names GLOAM_WERROR: only the test builds treat warnings as
# errors, so a newer compiler's new warning never stops the game building.
build: setup
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLOAM_TESTS=OFF -DGLOAM_BENCH=OFF -DGLOAM_WERROR=OFF
	cmake --build $(RELEASE_DIR) -j $(JOBS)

run: build
	./$(RELEASE_DIR)/gloamreach --data-dir data $(RUN_ARGS)

test: setup-test test-sanitize test-release

# Fuzz targets replay their kept corpora here; `make fuzz` fuzzes. The long
# runs (label "long") run once, in the release build. The software GL draws
# on one thread here: the leak check at exit at times crashed in suspending
# its worker threads ("Tracer caught signal 11"), failing a test that passed.
test-sanitize: setup-test
	cmake -S . -B $(TEST_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	    -DGLOAM_SANITIZE=ON -DGLOAM_FUZZ=OFF -DGLOAM_BENCH=OFF -DGLOAM_WERROR=ON $(SHADER_CACHE)
	$(TIMED) "sanitizer build" cmake --build $(TEST_DIR) -j $(JOBS)
	cd $(TEST_DIR) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 LP_NUM_THREADS=0 \
	    $(TIMED) "sanitizer tests" $(CTEST) -LE long --output-log ctest.log

# Without sanitizers a freed address can be reused at once, which the
# sanitizer build's quarantine hides. The benchmarks are built here and each
# runs once briefly (--smoke, CTest label "bench"): one that no longer builds,
# crashes or has a paired ratio over its budget in the middle half of its
# pairs fails the run; a time, size or share over its budget (which other
# work on the machine moves) is only printed.
test-release: setup-test
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLOAM_TESTS=ON -DGLOAM_BENCH=ON \
	    -DGLOAM_WERROR=ON $(SHADER_CACHE)
	$(TIMED) "release build" cmake --build $(RELEASE_DIR) -j $(JOBS)
	cd $(RELEASE_DIR) && $(TIMED) "release tests" $(CTEST) --output-log ctest.log

# The tests whose waits meet the machine's pace (CTest label "pace": window,
# self-play and seeded world tests) LOADED_RUNS times on the cores
# LOADED_CPUS, each of which a busy loop keeps loaded meanwhile; LOADED_TESTS
# (a ctest -R pattern) narrows them. Prints each run's passes and time, and
# each test's. LOADED_LABEL=long runs the long tests instead, as CI's release
# run meets them: the window walk beside the self-play, the world saves and
# the idle worlds, two at a time; LOADED_LABEL='long|pace' runs both.
# LOADED_JOBS sets ctest's -j (8 meets the tests as CI's eight-job run does,
# crowded onto the two loaded cores).
LOADED_CPUS ?= 0,1
LOADED_RUNS ?= 10
LOADED_JOBS ?= 2
LOADED_TESTS ?=
LOADED_LABEL ?= pace
test-loaded: setup-test
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLOAM_TESTS=ON -DGLOAM_BENCH=ON \
	    -DGLOAM_WERROR=ON $(SHADER_CACHE)
	cmake --build $(RELEASE_DIR) -j $(JOBS)
	cd $(RELEASE_DIR) && bash $(CURDIR)/.ci/loaded.sh "$(LOADED_CPUS)" $(LOADED_RUNS) \
	    ctest --output-on-failure --no-tests=error -j $(LOADED_JOBS) --timeout 900 -L '$(LOADED_LABEL)' $(if $(LOADED_TESTS),-R '$(LOADED_TESTS)')

# Every benchmark in full against its budgets; fails when any is over one
# (CI runs them briefly with --smoke, which fails only a paired ratio clearly over). Each is
# pinned to one core, BENCH_CPU (by default the last one this make may use),
# except the window benchmarks, which run the program and an X server of
# their own and are measured at the program's own thread count (the frame
# benchmark then runs itself again on two renderer threads, without a budget).
# The whole-game benchmark keeps to the core it is given, loader thread and all.
# Only the programs run: the build leaves a folder named like one beside them.
BENCH_CPU ?=
bench: setup-test
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLOAM_BENCH=ON -DGLOAM_WERROR=OFF
	cmake --build $(RELEASE_DIR) -j $(JOBS)
	@cpu="$(BENCH_CPU)"; if [ -z "$$cpu" ]; then allowed=$$(taskset -pc $$$$ | sed 's/.*: //'); cpu=$${allowed##*[,-]}; fi; \
	    failed=""; for b in $(RELEASE_DIR)/bench/bench_*; do \
	        [ -f "$$b" ] && [ -x "$$b" ] || continue; \
	        case $${b##*/} in bench_frame|bench_windowed_*) pin="";; *) pin="taskset -c $$cpu";; esac; \
	        echo "== $$b$${pin:+ (CPU $$cpu)}"; $$pin $$b || failed="$$failed $${b##*/}"; done; \
	    if [ -n "$$failed" ]; then echo "over budget or failed:$$failed"; exit 1; fi

# The self-playing game for two game hours on seven seeds, the four classes
# in turn, on one core, with each seed's figures (release build).
SOAK_MINUTES ?= 120
SOAK_SEEDS ?= 1,2,3,4,5,515151,606060
SOAK_CLASSES ?= Warrior,Rogue,Priest,Mage
soak: setup-test
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLOAM_TESTS=ON -DGLOAM_BENCH=OFF -DGLOAM_WERROR=OFF
	cmake --build $(RELEASE_DIR) -j $(JOBS) --target ui_tests
	cd $(RELEASE_DIR) && GLOAM_SELFPLAY_MINUTES=$(SOAK_MINUTES) GLOAM_SELFPLAY_SEEDS=$(SOAK_SEEDS) \
	    GLOAM_SELFPLAY_CLASSES=$(SOAK_CLASSES) \
	    taskset -c 0 ./tests/ui_tests --gtest_filter='ClientSelfPlay.DISABLED_Soak' --gtest_also_run_disabled_tests

# The README's pictures (main menu, New Game, a quest giver, a fight, the death
# window, an offer, a vendor, in docs/): shots of the whole-game window test under Xvfb.
pictures: setup-test
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLOAM_TESTS=ON -DGLOAM_BENCH=OFF -DGLOAM_WERROR=OFF
	cmake --build $(RELEASE_DIR) -j $(JOBS) --target ui_tests
	rm -rf build/shots && mkdir -p build/shots
	cd $(RELEASE_DIR) && GLOAM_KEEP_SHOTS=$(CURDIR)/build/shots ./tests/ui_tests --gtest_filter='WholeGameXvfbTest.*'
	cp build/shots/main-menu.png build/shots/new-game.png build/shots/quest-giver.png build/shots/fight.png \
	    build/shots/death.png build/shots/offer.png build/shots/vendor.png docs/

# libFuzzer on every target, FUZZ_SECONDS each, growing build/fuzz/fuzz-corpus.
fuzz: setup-test
	cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	    -DGLOAM_SANITIZE=ON -DGLOAM_FUZZ=ON -DGLOAM_FUZZ_SECONDS=$(FUZZ_SECONDS) -DGLOAM_BENCH=OFF -DGLOAM_WERROR=OFF
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	cd $(FUZZ_DIR) && ctest --output-on-failure --no-tests=error -L fuzz -j $(JOBS) --timeout 0

format:
	find engine game server graphics sound client ui editors tools main tests bench \
	    -name '*.cpp' -o -name '*.h' 2>/dev/null | xargs clang-format -i

clean:
	rm -rf build
