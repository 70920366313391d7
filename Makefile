# The two commands: `make play` and `make test` (`make test-linux` for the Linux tests alone).
JOBS ?= $(shell nproc)

.PHONY: play test test-linux tsan windows deb web

# Each target installs the Debian packages it needs (scripts/install-deps.sh --print <target>).
DEPS = @bash scripts/install-deps.sh

play:
	$(DEPS) play
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DZANORU_TESTS=OFF -DZANORU_BENCH=OFF >/dev/null
	cmake --build build -j $(JOBS)
	bash scripts/play.sh build

# The whole suite: the Linux tests first; then the Windows build (its libraries cross-built once per
# machine, its data baked by this build) and the same game under Wine (label wine); then the browser
# build and the game in Chromium (label web).
test: test-linux
	$(DEPS) test
	ZANORU_WERROR=ON bash scripts/windows.sh build/asan
	ZANORU_REQUIRE_WINDOWS=1 ctest --test-dir build/asan --output-on-failure -j $(JOBS) -L wine
	ZANORU_WERROR=ON bash scripts/web.sh build/asan
	ZANORU_REQUIRE_WEB=1 ctest --test-dir build/asan --output-on-failure -L web

# The Linux tests alone (no Wine, no browser), for the daily loop: the same ASan build as `make test`.
# Twice as many tests as cores: the window tests' games play in real time and mostly wait.
test-linux:
	$(DEPS) test-linux
	cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZANORU_SANITIZE=ON -DZANORU_BENCH=OFF -DZANORU_WERROR=ON >/dev/null
	cmake --build build/asan -j $(JOBS)
	ctest --test-dir build/asan --output-on-failure -j $$(( $(JOBS) * 2 )) -LE 'wine|deb|web'

# The game for Windows: build/windows/game/ and build/windows/zanoru-<version>-win64.zip.
windows:
	$(DEPS) windows
	bash scripts/windows.sh

# The game for the browser: build/web/ (the page, the game's module, its data) and
# build/web/zanoru-<version>-web.zip.
web:
	$(DEPS) web
	bash scripts/web.sh

# The engine's tests under ThreadSanitizer: decoding ahead on threads, the loop and the trace.
tsan:
	$(DEPS) tsan
	cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZANORU_SANITIZE_THREAD=ON -DZANORU_BENCH=OFF -DZANORU_WERROR=ON >/dev/null
	cmake --build build/tsan -j $(JOBS) --target omega_tests
	TSAN_OPTIONS=suppressions=$(CURDIR)/tests/tsan.supp ctest --test-dir build/tsan --output-on-failure -j $(JOBS) -L omega

# Runs every fuzz target briefly (FUZZ_SECONDS each) on its seed corpus; clang's libFuzzer.
FUZZ_SECONDS ?= 20
.PHONY: fuzz
fuzz:
	$(DEPS) fuzz
	CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZANORU_FUZZ=ON -DZANORU_TESTS=OFF -DZANORU_BENCH=OFF >/dev/null
	cmake --build build/fuzz -j $(JOBS)
	bash scripts/fuzz.sh build/fuzz $(FUZZ_SECONDS)

# The Debian package build/deb/zanoru_<version>_amd64.deb, checked by lintian; then installed, played
# headless, removed (label deb: it installs into this machine's /usr, so it needs root).
deb:
	$(DEPS) deb
	bash scripts/deb.sh
	cmake -S . -B build/deb-test -DZANORU_BENCH=OFF >/dev/null
	cmake --build build/deb-test -j $(JOBS) --target deb_tests
	ZANORU_REQUIRE_DEB=1 ctest --test-dir build/deb-test --output-on-failure -L deb
