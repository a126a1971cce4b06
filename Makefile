# make run   installs what is missing, builds and starts the program
# make test  installs what is missing, builds and runs every test, then the
#            core tests again under AddressSanitizer and UndefinedBehaviorSanitizer
# make bench builds and runs the benchmarks

PACKAGES := cmake ninja-build g++ libgtest-dev qt6-base-dev libcli11-dev
JOBS := $(shell nproc)

.PHONY: deps build build-asan run test bench clean

deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  SUDO=; [ "$$(id -u)" = 0 ] || SUDO=sudo; \
	  $$SUDO apt-get update && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y --no-install-recommends $$missing; \
	fi

build: deps
	cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build -j $(JOBS)

build-asan: deps
	cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZELVAR_CORE_ONLY=ON -DZELVAR_SANITIZE=ON
	cmake --build build-asan -j $(JOBS)

run: build
	./build/zelvar

test: build build-asan
	@rt=$$(mktemp -d); chmod 700 $$rt; \
	export XDG_RUNTIME_DIR=$$rt QT_QPA_PLATFORM=offscreen; \
	echo "== normal build =="; \
	(cd build && ctest --output-on-failure -j $(JOBS)) || exit 1; \
	echo "== core tests under AddressSanitizer and UndefinedBehaviorSanitizer =="; \
	(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)) || exit 1

bench: build
	@for b in build/*_bench build/*_guibench; do [ -x "$$b" ] && QT_QPA_PLATFORM=offscreen "$$b"; done; true

clean:
	rm -rf build build-asan
