# Two entry points for a fresh Debian 12 machine:
#   make run   installs what is missing, builds, and starts the wizard
#   make test  installs what is missing, builds, and runs every test
# Both are safe to repeat; set-up steps that are already done are skipped.

PRESET ?= default
BUILD_DIR ?= build

APT_PACKAGES := cmake ninja-build g++ make pkg-config \
	libgtest-dev libgmock-dev libbenchmark-dev \
	qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev \
	chromium xvfb xauth at-spi2-core dbus-x11 fonts-dejavu-core

SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

.PHONY: all deps npm configure build run test bench demo format clean

all: build

# Installs only the packages that are not there yet, so a prepared machine makes no apt call at all.
deps:
	@missing=""; \
	for p in $(APT_PACKAGES); do \
		dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'ok installed' || missing="$$missing $$p"; \
	done; \
	command -v node >/dev/null && command -v npm >/dev/null || missing="$$missing nodejs npm"; \
	if [ -n "$$missing" ]; then \
		echo "Installing:$$missing"; \
		$(SUDO) apt-get update && $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $$missing; \
	fi

# The browser tests drive Debian's Chromium through playwright-core; no browser is downloaded.
npm: deps
	@if [ ! -d node_modules/playwright-core ] || [ package-lock.json -nt node_modules/.package-lock.json ]; then \
		PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund; \
	fi

configure: deps
	@[ -f $(BUILD_DIR)/build.ninja ] || cmake --preset $(PRESET)

build: configure
	cmake --build --preset $(PRESET)

run: build
	./$(BUILD_DIR)/ui/quillgate

test: build npm
	ctest --preset $(PRESET)

# Speed figures (the README lists them): locking, adding a large folder, a large batch, unlocking in Chromium.
bench: build npm
	./$(BUILD_DIR)/bench/engine/bench-engine
	QT_QPA_PLATFORM=offscreen ./$(BUILD_DIR)/bench/jobs/bench-jobs
	QT_QPA_PLATFORM=offscreen ./$(BUILD_DIR)/bench/ui/bench-ui-batch
	cmake --build --preset $(PRESET) --target bench-browser

# Locks a sample page with the command-line locker, for a look without the wizard.
demo: build
	./$(BUILD_DIR)/cli/quillgate-demo

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR)
