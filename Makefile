# Two commands for a fresh Debian machine:
#   make run    set up, build and start the program (in BASE, by default here)
#   make test   set up, build and run every test
BUILD ?= build
BASE ?= $(CURDIR)
PREFIX ?= /usr/local
SANITIZE ?=
JOBS ?= $(shell nproc)

PACKAGES = g++ cmake ninja-build qt6-base-dev qt6-base-dev-tools libjpeg-dev libicu-dev \
           libgl-dev fonts-ipafont-gothic xdg-utils

ifeq ($(SANITIZE),1)
  BUILD := build-sanitize
  CMAKE_FLAGS = -DCMAKE_BUILD_TYPE=Debug -DPELMORA_SANITIZE=ON
else
  CMAKE_FLAGS = -DCMAKE_BUILD_TYPE=RelWithDebInfo
endif

.PHONY: all setup build run test install bench fuzz clean

all: build

setup:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  SUDO=; [ "$$(id -u)" = 0 ] || SUDO=sudo; \
	  $$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $$missing; \
	fi

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) -DCMAKE_INSTALL_PREFIX=$(PREFIX)

build: setup $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	cd "$(BASE)" && "$(CURDIR)/$(BUILD)/app/pelmora"

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: setup
	cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELMORA_BUILD_TESTS=OFF -DPELMORA_BUILD_BENCH=ON
	cmake --build build-bench -j $(JOBS)
	QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 build-bench/bench/pelmora_bench $(CASES)

# Fuzzing with clang's libFuzzer: builds the targets in fuzz/ and runs each for
# FUZZ_SECONDS on a fresh copy of the seed corpus that fuzz/make_corpus.py
# writes. Inputs that crash, leak or hang land in build-fuzz/artifacts.
FUZZ_SECONDS ?= 60
FUZZ_BUILD = build-fuzz
FUZZ_PACKAGES = clang libclang-rt-14-dev libjpeg-turbo-progs python3
FUZZ_FLAGS = -workers=1 -rss_limit_mb=2048 -timeout=10 -print_final_stats=1

fuzz:
	$(MAKE) setup PACKAGES="$(PACKAGES) $(FUZZ_PACKAGES)"
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DPELMORA_BUILD_TESTS=OFF -DPELMORA_BUILD_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_bmp fuzz_jpeg fuzz_numberedname
	rm -rf $(FUZZ_BUILD)/seeds && python3 fuzz/make_corpus.py $(FUZZ_BUILD)/seeds
	@mkdir -p $(FUZZ_BUILD)/corpus $(FUZZ_BUILD)/artifacts
	@for t in bmp jpeg numberedname; do \
	  rm -rf $(FUZZ_BUILD)/corpus/$$t && cp -r $(FUZZ_BUILD)/seeds/$$t $(FUZZ_BUILD)/corpus/$$t || exit 1; \
	  if [ $$t = numberedname ]; then extra="-max_len=512 -use_value_profile=1"; else extra="-max_len=16384 -dict=fuzz/$$t.dict"; fi; \
	  echo "== fuzz_$$t, $(FUZZ_SECONDS) s"; \
	  $(FUZZ_BUILD)/fuzz/fuzz_$$t $(FUZZ_FLAGS) $$extra -max_total_time=$(FUZZ_SECONDS) \
	    -artifact_prefix=$(FUZZ_BUILD)/artifacts/$$t- $(FUZZ_BUILD)/corpus/$$t || exit 1; \
	done

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf build build-sanitize build-bench build-fuzz
