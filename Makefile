# The two set-up commands: `make run` (the program against the virtual meter)
# and `make test` (the whole suite). Both install what they need first.
# `make package` builds the Debian package from a release build of its own.
BUILD ?= build
JOBS  ?= 2
BUILD_TYPE ?= Debug
PACKAGE_BUILD ?= build-package

.PHONY: all deps configure build run test bench package format clean

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
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure

bench: build
	$(BUILD)/bin/qx390d-bench

package: deps
	cmake -S . -B $(PACKAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
	cmake --build $(PACKAGE_BUILD) -j $(JOBS) --target package

format:
	find src sim tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(PACKAGE_BUILD)
