# The two set-up commands: `make run` (the program against the virtual meter)
# and `make test` (the whole suite). Both install what they need first.
# `make package` builds the Debian package from a release build of its own.
BUILD ?= build
JOBS  ?= 2
BUILD_TYPE ?= Debug
PACKAGE_BUILD ?= build-package
# Separate build directories for the sanitizer runs and the fuzz targets.
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
# How long `make fuzz` runs each fuzz target.
SECONDS ?= 60

CTEST = QT_QPA_PLATFORM=offscreen ctest --output-on-failure
ASAN_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
TSAN_ENV = TSAN_OPTIONS="halt_on_error=1 abort_on_error=1 second_deadlock_stack=1 die_after_fork=0 \
	ignore_interceptors_accesses=1 suppressions=$(CURDIR)/tests/tsan.supp"

.PHONY: all deps configure build run test test-asan test-tsan test-pty-repeat fuzz bench bench-archive \
	package format update-translations clean

all: build

deps:
	@sh scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/qx390d --demo

test: build
	cd $(BUILD) && $(CTEST)

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQX_SANITIZE=address,undefined
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && $(ASAN_ENV) $(CTEST)

# The whole suite under ThreadSanitizer; tests/tsan.supp names the toolkit's own internals.
test-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQX_SANITIZE=thread
	cmake --build $(TSAN_BUILD) -j $(JOBS)
	cd $(TSAN_BUILD) && $(TSAN_ENV) $(CTEST)

# The pseudo-terminal suites five times over, so that a flaky one fails.
test-pty-repeat: build
	cd $(BUILD) && $(CTEST) -L pty --repeat until-fail:5

# Builds the fuzz targets with clang into their own directory and runs each for SECONDS (an
# input that takes over 10 s counts as a hang; tests/fuzz/lsan.supp names the library leaks
# not counted), printing its runs and rate (inputs per second); a target that stops on a
# finding does not keep the others from running, and make fails at the end. New inputs go
# to $(FUZZ_BUILD)/corpus, the committed seeds are only read.
fuzz:
	@sh scripts/install-deps.sh fuzz
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_COMPILER=clang++ -DQX_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz-targets
	@set -e; failed=""; for target in $$(cat $(FUZZ_BUILD)/tests/fuzz/targets.txt); do \
		mkdir -p $(FUZZ_BUILD)/corpus/$$target; \
		log=$(FUZZ_BUILD)/fuzz_$$target.log; \
		echo "== fuzz_$$target, $(SECONDS) s"; \
		status=0; LSAN_OPTIONS=suppressions=$(CURDIR)/tests/fuzz/lsan.supp \
			$(FUZZ_BUILD)/bin/fuzz_$$target -max_total_time=$(SECONDS) \
			-timeout=10 -print_final_stats=1 -artifact_prefix=$(FUZZ_BUILD)/ \
			$(FUZZ_BUILD)/corpus/$$target tests/fuzz/corpus/$$target >$$log 2>&1 || status=$$?; \
		grep -E '^(Done|stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb)' $$log || true; \
		if [ $$status -ne 0 ]; then tail -n 40 $$log; failed="$$failed fuzz_$$target"; fi; \
	done; \
	if [ -n "$$failed" ]; then echo "== stopped on a finding:$$failed"; exit 1; fi

bench: build
	$(BUILD)/bin/qx390d-bench
	$(BUILD)/bin/qx390d-bench-window

# The archive's cases on SQLite and on a PostgreSQL server the bench starts itself.
bench-archive: build
	$(BUILD)/bin/qx390d-bench-archive

package: deps
	cmake -S . -B $(PACKAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
	cmake --build $(PACKAGE_BUILD) -j $(JOBS) --target package

# Refreshes translations/*.ts from the code (new texts arrive unfinished, vanished ones go).
update-translations: configure
	cmake --build $(BUILD) --target update_translations

format:
	find src sim tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(PACKAGE_BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
