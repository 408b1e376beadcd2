# Entry points for users and CI. Everything builds with CMake; the targets
# install missing Debian packages first.
FUZZ_SECONDS ?= 60
JOBS ?= $(shell nproc)

BUILD_PACKAGES := cmake g++ make ninja-build pkg-config libavformat-dev libavcodec-dev \
  libavutil-dev libswscale-dev qt6-base-dev
TEST_PACKAGES := $(BUILD_PACKAGES) libgtest-dev ffmpeg xvfb xauth xdotool
FUZZ_PACKAGES := $(BUILD_PACKAGES) clang libclang-rt-14-dev
BENCH_PACKAGES := $(BUILD_PACKAGES) ffmpeg tar coreutils time python3 libc-bin

.PHONY: build test fuzz bench demo clean

build:
	@scripts/install-deps.sh $(BUILD_PACKAGES)
	cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build build -j $(JOBS)

test:
	@scripts/install-deps.sh $(TEST_PACKAGES)
	cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKZ7_SANITIZE=ON -DKZ7_TESTS=ON
	cmake --build build-test -j $(JOBS)
	cd build-test && ctest --output-on-failure -j $(JOBS)

fuzz:
	@scripts/install-deps.sh $(FUZZ_PACKAGES)
	cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=clang++ -DKZ7_FUZZ=ON
	cmake --build build-fuzz -j $(JOBS)
	scripts/run-fuzz.sh build-fuzz $(FUZZ_SECONDS)

bench: build
	@scripts/install-deps.sh $(BENCH_PACKAGES)
	bench/run.sh

demo: build
	@scripts/install-deps.sh ffmpeg
	bash demo/run.sh build/bin build/demo

clean:
	rm -rf build build-test build-fuzz
