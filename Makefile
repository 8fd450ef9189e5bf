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

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf build build-sanitize build-bench build-fuzz
