# The two set-up commands: `make run` (the program against the virtual meter)
# and `make test` (the whole suite). Both install what they need first.
BUILD ?= build
JOBS  ?= 2
BUILD_TYPE ?= Debug

.PHONY: all deps configure build run test bench format clean

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

format:
	find src sim tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
