# The two commands: `make play` and `make test`.
JOBS ?= $(shell nproc)

.PHONY: play test deps

deps:
	@bash scripts/install-deps.sh

play: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DZANORU_TESTS=OFF >/dev/null
	cmake --build build -j $(JOBS)
	bash scripts/play.sh build

test: deps
	cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZANORU_SANITIZE=ON -DZANORU_BENCH=OFF >/dev/null
	cmake --build build/asan -j $(JOBS)
	ctest --test-dir build/asan --output-on-failure -j $(JOBS)
