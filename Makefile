# SPDX-License-Identifier: GPL-3.0-or-later
# Top-level entry points; everything real is in CMake.
BUILD      ?= build
JOBS       ?= 2
PACKAGES   := cmake g++ make qt6-base-dev qt6-serialport-dev libgl1-mesa-dev \
              libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth fonts-dejavu-core fonts-liberation2 \
              locales qt6-translations-l10n libzip-dev pkg-config \
              desktop-file-utils appstream dpkg-dev file groff-base gzip \
              libqt6sql6-sqlite libqt6sql6-psql postgresql poppler-utils
SUDO       := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
# The sanitizer and fuzzing builds live beside the main one, so `make test` keeps its own.
ASAN_BUILD   ?= $(BUILD)-asan
FUZZ_BUILD   ?= $(BUILD)-fuzz
FUZZ_SECONDS ?= 60
PREFIX       ?= /usr/local
# Only the fuzzers need these: clang with libFuzzer, and a symbolizer for readable crash reports.
FUZZ_PACKAGES := clang libclang-rt-14-dev llvm-14

.PHONY: all deps fuzz-deps build run demo test test-asan fuzz bench install package package-check docs clean

all: build

# Installs whichever of the packages in $(1) are missing.
define install_missing
	@missing=""; for p in $(1); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -q && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $$missing </dev/null; \
	fi
endef

deps:
	$(call install_missing,$(PACKAGES))

fuzz-deps: deps
	$(call install_missing,$(FUZZ_PACKAGES))

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

# The whole suite built with AddressSanitizer and UndefinedBehaviorSanitizer, unoptimised: it
# compiles in half the time and the sanitizers see the code as written. Every report, of a
# test or of a tolvin-cli or tolvin-sim it started, goes to $(ASAN_BUILD)/sanitizer-reports; any
# report fails the target, even where the test itself passed.
$(ASAN_BUILD)/CMakeCache.txt:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTOLVIN_SANITIZE=ON

test-asan: deps $(ASAN_BUILD)/CMakeCache.txt
	cmake --build $(ASAN_BUILD) -j$(JOBS) --target tolvin-tests tolvin-gui-tests tolvin-cli tolvin-sim
	@rm -rf $(ASAN_BUILD)/sanitizer-reports && mkdir -p $(ASAN_BUILD)/sanitizer-reports
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:log_path=$(abspath $(ASAN_BUILD))/sanitizer-reports/asan \
	  LSAN_OPTIONS=suppressions=$(abspath fuzz/lsan.supp):print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:log_path=$(abspath $(ASAN_BUILD))/sanitizer-reports/ubsan \
	  ctest --output-on-failure -j$(JOBS)
	@if [ -n "$$(ls -A $(ASAN_BUILD)/sanitizer-reports)" ]; then \
	  cat $(ASAN_BUILD)/sanitizer-reports/*; echo "Sanitizer reports above"; exit 1; \
	fi
	@echo "No sanitizer reports"

# Every fuzzer for FUZZ_SECONDS from the project's own seeds; fails on a crash, a leak or a
# time-out, and keeps the input under tests/fuzz/<target>/, where `make test` replays it.
$(FUZZ_BUILD)/CMakeCache.txt:
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DTOLVIN_FUZZ=ON

fuzz: fuzz-deps $(FUZZ_BUILD)/CMakeCache.txt
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target tolvin-fuzzers
	fuzz/run $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: build
	cmake --build $(BUILD) -j$(JOBS) --target tolvin-bench
	./$(BUILD)/tolvin-bench

# The README's pictures, remade from the program (needs LibreOffice and poppler-utils for the
# report pages).
docs: build
	tools/docs $(BUILD)

# The programs, desktop entry, icon, AppStream data and manual pages under $(PREFIX)
# (DESTDIR=... stages them elsewhere).
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package in $(BUILD): sudo apt install ./$(BUILD)/tolvin_*.deb
package: build
	rm -f $(BUILD)/tolvin_*.deb
	cd $(BUILD) && cpack -G DEB
	@ls $(BUILD)/tolvin_*.deb

# The package as Debian's checker sees it: no error and no warning may remain.
package-check: package
	$(call install_missing,lintian)
	lintian --fail-on error,warning --tag-display-limit 0 $(BUILD)/tolvin_*.deb

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
