#!/usr/bin/env bash
# ./build.sh run    installs what is missing, builds and starts the program
# ./build.sh test   installs what is missing, builds and runs every test, then
#                   the core tests again under AddressSanitizer and
#                   UndefinedBehaviorSanitizer
# ./build.sh bench  builds and runs the benchmarks
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES="cmake ninja-build g++ libgtest-dev qt6-base-dev qt6-charts-dev libqt6opengl6-dev libcli11-dev"
JOBS=$(nproc)

install_missing() {
    local missing="" p
    for p in $PACKAGES; do
        dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    echo "Installing:$missing"
    local sudo=""
    [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing
}

build() {
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build build -j "$JOBS"
}

build_sanitized() {
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZELVAR_CORE_ONLY=ON -DZELVAR_SANITIZE=ON
    cmake --build build-asan -j "$JOBS"
}

run_tests() {
    local runtime
    runtime=$(mktemp -d)
    chmod 700 "$runtime"
    export XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=offscreen
    echo "== normal build =="
    (cd build && ctest --output-on-failure -j "$JOBS")
    echo "== core tests under AddressSanitizer and UndefinedBehaviorSanitizer =="
    (cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j "$JOBS")
    rm -rf "$runtime"
}

case "${1:-}" in
    run)
        install_missing
        build
        exec ./build/zelvar
        ;;
    test)
        install_missing
        build
        build_sanitized
        run_tests
        ;;
    bench)
        install_missing
        build
        for b in build/*_bench build/*_guibench; do
            if [ -x "$b" ]; then QT_QPA_PLATFORM=offscreen "$b"; fi
        done
        ;;
    *)
        echo "usage: ./build.sh run|test|bench" >&2
        exit 64
        ;;
esac
