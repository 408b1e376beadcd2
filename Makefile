# Entry points for users and CI. Everything builds with CMake; the targets
# install missing Debian packages first.
FUZZ_SECONDS ?= 60
JOBS ?= $(shell nproc)

BUILD_PACKAGES := cmake g++ make ninja-build pkg-config libavformat-dev libavcodec-dev \
  libavutil-dev libswscale-dev qt6-base-dev
TEST_PACKAGES := $(BUILD_PACKAGES) libgtest-dev imagemagick python3-crcmod ffmpeg xvfb xauth xdotool
# libFuzzer and the sanitizer runtimes come in a package named after the
# installed clang's major version: clang is installed first, then the runtime
# that matches it (the version is read from clang when the recipe runs).
FUZZ_PACKAGES := $(BUILD_PACKAGES) clang
CLANG_RT_PACKAGE = libclang-rt-$$(clang++ -dumpversion | cut -d. -f1)-dev
BENCH_PACKAGES := $(BUILD_PACKAGES) ffmpeg tar coreutils time python3 libc-bin imagemagick

.PHONY: build test fuzz bench demo clean

build:
	@scripts/install-deps.sh $(BUILD_PACKAGES)
	cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKZ7_WERROR=OFF
	cmake --build build -j $(JOBS)

test:
	@scripts/install-deps.sh $(TEST_PACKAGES)
	cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKZ7_SANITIZE=ON -DKZ7_TESTS=ON \
	  -DKZ7_WERROR=ON
	cmake --build build-test -j $(JOBS)
	cd build-test && ctest --output-on-failure -j $(JOBS)

fuzz:
	@scripts/install-deps.sh $(FUZZ_PACKAGES)
	@scripts/install-deps.sh $(CLANG_RT_PACKAGE)
	cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=clang++ -DKZ7_FUZZ=ON -DKZ7_WERROR=ON
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
