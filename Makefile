# The two set-up commands (`make run`, `make test`) and `make build` install
# what a fresh Debian 12 machine lacks, then build with CMake and Ninja.
BUILD   ?= build
RUNHOME ?= $(CURDIR)/run-home
PORT    ?= 18080
# make run LIVE=1: the local server fed by live market data instead of the demo walk.
LIVE    ?=

BUILD_PKGS = qt6-base-dev qt6-charts-dev qt6-speech-dev qt6-declarative-dev \
             libqt6opengl6-dev libxkbcommon-dev libxcb1-dev libgl-dev cmake ninja-build g++
RUN_PKGS   = tzdata ca-certificates qt6-translations-l10n qt6-speech-speechd-plugin speech-dispatcher espeak-ng fonts-liberation2 xvfb xauth
TEST_PKGS  = tzdata systemd qt6-translations-l10n xvfb xauth xdotool x11-utils openbox fonts-liberation2 dpkg-dev file
DEB_PKGS   = dpkg-dev file fakeroot lintian desktop-file-utils appstream

.PHONY: all deps deps-run deps-test build run test test-plain test-sanitizers bench fuzz mutate deb clean

all: build

deps:
	@./tools/install-deps.sh $(BUILD_PKGS)

deps-run: deps
	@./tools/install-deps.sh $(RUN_PKGS)

deps-test: deps
	@./tools/install-deps.sh $(TEST_PKGS)

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD)

run: deps-run build
	@QUOTARO_FEED=$(if $(LIVE),live,demo) ./tools/run-demo.sh $(BUILD) $(RUNHOME) $(PORT)

# Every test, then the same suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
test: test-plain test-sanitizers

test-plain: deps-test build
	cd $(BUILD) && ctest --output-on-failure -j2

test-sanitizers: deps-test
	@./tools/test-sanitizers.sh

bench: deps-test build
	@./tools/bench.sh $(BUILD)

fuzz: deps
	@./tools/fuzz.sh

# Faults planted one at a time in the program lines changed since BASE (BASE= : every line of
# PATHS), each rebuilt in build-mutate and run against the suite; lists those no test caught.
# Takes minutes: not part of `make test`. MUTANTS faults sampled with SEED.
BASE    ?= main
PATHS   ?= src
MUTANTS ?= 30
SEED    ?= 1
mutate: deps-test
	@./tools/install-deps.sh python3
	@BASE="$(BASE)" PATHS="$(PATHS)" MUTANTS=$(MUTANTS) SEED=$(SEED) BUILD=build-mutate ./tools/mutate.py

# build/quotaro_<version>_amd64.deb, its menu entry, metainfo and package checked.
deb: deps build
	@./tools/install-deps.sh $(DEB_PKGS)
	cd $(BUILD) && cpack -G DEB
	desktop-file-validate data/quotaro.desktop
	appstreamcli validate --no-net data/org.example.quotaro.metainfo.xml
	lintian --fail-on error $(BUILD)/quotaro_*_amd64.deb

clean:
	rm -rf $(BUILD) build-mutate
