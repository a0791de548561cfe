# The two set-up commands of the README: `make run` and `make test`. Both install what they need first.
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
TSAN_BUILD ?= build-tsan
# The tests that run check on several threads: ThreadSanitizer runs only these, so that CI stays short.
TSAN_TESTS ?= CheckThreads.*:CheckCommand.*:ConfigTool.Check*
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
EXAMPLE ?= examples/config/master.xml
# `make run` edits a copy of the sample, so that the editor never changes tracked files; delete the folder to
# start again from the sample.
RUN_CONFIG ?= $(BUILD)/run-config
DIR ?= screenshots

.PHONY: all deps configure build run test package sanitize tsan fuzz oracle bench screenshots graph-image format clean

all: build

deps:
	@./scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build $(RUN_CONFIG)/master.xml
	$(BUILD)/src/postvane-config $(RUN_CONFIG)/master.xml

# The sample names its Maildir homes relative to the program's folder ($(BUILD)/src), so the copy finds the
# tracked, empty Maildir folders, which the editor only looks at.
$(RUN_CONFIG)/master.xml:
	mkdir -p $(RUN_CONFIG)
	cp -R examples/config/. $(RUN_CONFIG)/

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The Debian package, built from $(BUILD) and checked: its dependencies and files, and its programs started
# from an unpacked copy (see scripts/check-package.sh). The first run installs the packaging tools.
package: build
	@./scripts/install-deps.sh package
	./scripts/check-package.sh $(BUILD)

# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer; any finding fails.
sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DPOSTVANE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug $(CMAKE_FLAGS)
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  ctest --output-on-failure -j $(JOBS)

# The tests of check on several threads, built with ThreadSanitizer (their own test program, without the
# windows); a data race fails them.
tsan: deps
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DPOSTVANE_TSAN=ON -DPOSTVANE_BUILD_UI=OFF $(CMAKE_FLAGS)
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target postvane_thread_tests
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	  $(TSAN_BUILD)/tests/postvane_thread_tests --gtest_filter='$(TSAN_TESTS)'

# Every fuzzer for FUZZ_SECONDS (FUZZERS="master detailed" for some only), built with clang, libFuzzer and
# both sanitizers; the first run installs clang.
fuzz:
	@./scripts/install-deps.sh fuzz
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DPOSTVANE_FUZZ=ON -DPOSTVANE_BUILD_UI=OFF \
	  -DPOSTVANE_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	./scripts/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZERS)

# The differential check against the server's XML parser, the JDK's (installed by the first run): every file
# of the test data, the sample and, when there is one, the corpus the fuzzers have grown in $(FUZZ_BUILD), read
# by both and compared (scripts/run-oracle.sh).
oracle: build
	@./scripts/install-deps.sh oracle
	./scripts/run-oracle.sh $(BUILD) tests/data examples $(wildcard $(FUZZ_BUILD)/fuzz-corpus)

bench: build
	cmake --build $(BUILD) --target bench

# Every window in the light palette on a desktop screen, in a dark palette, and at a scale of 2 on a
# 1600x1000 laptop screen.
SCREENS = $(CURDIR)/tests/ui/screens
screenshots: build
	QT_QPA_PLATFORM=offscreen:configfile=$(SCREENS)/1920x1080.json \
	  $(BUILD)/src/postvane-config --screenshots $(DIR) $(EXAMPLE)
	QT_QPA_PLATFORM=offscreen:configfile=$(SCREENS)/1920x1080.json \
	  $(BUILD)/src/postvane-config --screenshots $(DIR)/dark --dark $(EXAMPLE)
	QT_QPA_PLATFORM=offscreen:configfile=$(SCREENS)/1600x1000.json QT_SCALE_FACTOR=2 \
	  $(BUILD)/src/postvane-config --screenshots $(DIR)/scale2 $(EXAMPLE)

# The README's picture of the sample installation: the graph command's DOT drawn by dot, with the folder of
# this checkout taken out of the files' names so that the image is the same wherever it is made.
graph-image: build
	$(BUILD)/src/postvane-config-tool graph examples/config/master.xml | \
	  sed 's|$(CURDIR)/examples/config/|./|g' | dot -Tsvg > docs/sample-graph.svg

# Formats every C++ source with the checked-in .clang-format; the test style.clang_format checks it.
format:
	find src tests fuzz bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
