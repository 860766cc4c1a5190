# Top-level entry points; everything real is in CMake.
BUILD      ?= build
JOBS       ?= 2
PACKAGES   := cmake g++ make qt6-base-dev qt6-serialport-dev libgl1-mesa-dev \
              libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth fonts-dejavu-core fonts-liberation2 \
              locales qt6-translations-l10n libzip-dev pkg-config
SUDO       := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps build run demo test bench clean

all: build

deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -q && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $$missing </dev/null; \
	fi

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j$(JOBS)

run: build
	./$(BUILD)/tolvin

# The programmer against a virtual station on a pseudo-terminal (no radio needed).
demo: build
	tools/demo $(BUILD)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

bench: build
	cmake --build $(BUILD) -j$(JOBS) --target tolvin-bench
	./$(BUILD)/tolvin-bench

clean:
	rm -rf $(BUILD)
