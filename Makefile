# Two entry points for a fresh Debian 12 machine:
#   make run   installs what is missing, builds, and starts the wizard
#   make test  installs what is missing, builds, and runs every test
# Both are safe to repeat; set-up steps that are already done are skipped. PRESET picks the CMake preset
# (default, debug, sanitize); each builds in its own folder. CI also runs make package-check, make test-sanitize
# and make fuzz.

PRESET ?= default
# The preset's binaryDir in CMakePresets.json: build for default, build-<preset> for the others.
BUILD_DIR := $(if $(filter default,$(PRESET)),build,build-$(PRESET))

# What the engine and the command need to build.
ENGINE_PACKAGES := cmake ninja-build g++ make pkg-config libssl-dev zlib1g-dev libicu-dev

# dpkg-dev and file: make package computes the package's dependencies with dpkg-shlibdeps; x11-utils: the package
# check looks for the installed wizard's window; time: the tree benchmark reads the command's peak memory off GNU time.
APT_PACKAGES := $(ENGINE_PACKAGES) \
	libgtest-dev libgmock-dev libbenchmark-dev \
	qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev \
	chromium firefox-esr xvfb xauth at-spi2-core dbus-x11 fonts-dejavu-core acl \
	dpkg-dev file x11-utils time

# The fuzz targets build the engine alone, with clang and its libFuzzer runtime; only make fuzz installs these.
FUZZ_PACKAGES := $(ENGINE_PACKAGES) clang libclang-rt-14-dev

SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

.PHONY: all deps fuzz-deps npm configure build run test test-sanitize fuzz package package-check bench demo format clean

all: build

# Installs only the packages of $(1) that are not there yet, so a prepared machine makes no apt call at all;
# $(2) may add more to $$missing.
define install_missing
	@missing=""; \
	for p in $(1); do \
		dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'ok installed' || missing="$$missing $$p"; \
	done; \
	$(2) \
	if [ -n "$$missing" ]; then \
		echo "Installing:$$missing"; \
		$(SUDO) apt-get update && $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $$missing; \
	fi
endef

deps:
	$(call install_missing,$(APT_PACKAGES),command -v node >/dev/null && command -v npm >/dev/null || missing="$$missing nodejs npm";)

fuzz-deps:
	$(call install_missing,$(FUZZ_PACKAGES))

# The browser tests drive Debian's Chromium through playwright-core; no browser is downloaded.
npm: deps
	@if [ ! -d node_modules/playwright-core ] || [ package-lock.json -nt node_modules/.package-lock.json ]; then \
		PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund; \
	fi

# Configures again when the presets changed since, so a folder never keeps an older preset's settings.
configure: deps
	@[ $(BUILD_DIR)/CMakeCache.txt -nt CMakePresets.json ] || cmake --preset $(PRESET)

build: configure
	cmake --build --preset $(PRESET)

run: build
	./$(BUILD_DIR)/ui/quillgate

test: build npm
	ctest --preset $(PRESET)

# Every test but the browser's, built with AddressSanitizer and UndefinedBehaviorSanitizer in build-sanitize.
test-sanitize:
	$(MAKE) PRESET=sanitize build
	ctest --preset sanitize

# Builds the libFuzzer targets with clang in build-fuzz and runs each for a bounded time (tests/fuzz).
fuzz: fuzz-deps
	@[ build-fuzz/CMakeCache.txt -nt CMakePresets.json ] || cmake --preset fuzz
	cmake --build --preset fuzz
	ctest --preset fuzz

# The Debian package of the preset's build (CPack), left in its folder as quillgate_<version>_<arch>.deb; an
# older version's package is removed first, so the folder holds one.
package: build
	rm -f $(BUILD_DIR)/quillgate_*.deb
	cmake --build --preset $(PRESET) --target package

# Installs that package, starts the installed command and wizard (under Xvfb), and removes it again (CI runs it).
package-check: package
	.ci/package-check $(BUILD_DIR)

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
