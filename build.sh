#!/usr/bin/env bash
# ./build.sh run    installs what is missing, builds and starts the program
# ./build.sh test   installs what is missing, builds and runs every test;
#                   builds the core and the command line in Release and runs
#                   the core tests there; runs the core tests again under
#                   AddressSanitizer and UndefinedBehaviorSanitizer, and the
#                   worker pools' tests under ThreadSanitizer.  Every stage
#                   always runs, each ends with a one-line summary, and the
#                   command fails if any stage did
# ./build.sh bench  builds and runs the benchmarks
# ./build.sh package  installs what is missing, builds in build-package/ with
#                   Debian's hardening flags (without the tests) and makes the
#                   Debian packages build-package/zelvar_<version>_<arch>.deb
#                   and its debug symbols zelvar-dbgsym_<version>_<arch>.ddeb
set -euo pipefail
cd "$(dirname "$0")"

# The windows are laid out for a narrow sans serif: fonts-dejavu-extra brings
# DejaVu Sans Condensed (the program says on standard error what it does
# where that is missing).  The tolerance window draws with Qt Charts, whose
# CMake package needs the OpenGL one (Debian's qt6-charts-dev does not pull it).
# The tests compare the simulation with ngspice.  Eigen computes the natural
# frequencies and the frequency response, MPFR the correctly rounded sine's
# hard cases (and its tables, when building).
PACKAGES="cmake ninja-build g++ libgtest-dev qt6-base-dev qt6-svg-dev qt6-charts-dev libqt6opengl6-dev libcli11-dev fonts-dejavu-core fonts-dejavu-extra ngspice libeigen3-dev libmpfr-dev"
# The simulation benchmark also times ngspice on the same circuit and step,
# side by side with the program's own run (ngspice is in PACKAGES already).
BENCH_PACKAGES="ngspice"
JOBS=$(nproc)
# ccache, where it is installed, makes rebuilding the stages' folders quick
# (CMake takes the launcher when it first configures a folder).
if [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ] && command -v ccache >/dev/null; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
# What making and checking the Debian package needs (package and test).
PACKAGE_TOOLS="dpkg-dev file lintian desktop-file-utils appstream groff-base"

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

# Debian's build flags with every hardening feature (dpkg-buildflags), as
# CMake arguments: the package is built with them, and so is the test
# build whose package test package_deb checks.
debian_flags() {
    local cxxflags ldflags
    cxxflags="$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CPPFLAGS) $(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CXXFLAGS)"
    ldflags=$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get LDFLAGS)
    DEBIAN_FLAGS=("-DCMAKE_CXX_FLAGS=$cxxflags" "-DCMAKE_EXE_LINKER_FLAGS=$ldflags")
}

# No test may hang: each one fails after this many seconds (a few times
# the slowest test's time in its stage; package_deb has its own limit).
TEST_TIMEOUT=300
SANITIZED_TEST_TIMEOUT=900

# One stage: configure and build into a folder, then run its tests (the
# ctest arguments in STAGE_CTEST, e.g. "-L core").  Prints the stage's
# one-line summary; returns non-zero when the build or a test failed.
run_stage() {
    local name=$1 dir=$2 log rc=0 summary
    shift 2
    log=$(mktemp)
    echo "== $name =="
    if ! { cmake -S . -B "$dir" -G Ninja "$@" && cmake --build "$dir" -j "$JOBS"; }; then
        STAGE_LINES+=("$name: build failed")
        rm -f "$log"
        return 1
    fi
    # shellcheck disable=SC2086  # STAGE_CTEST holds several arguments
    (cd "$dir" && ctest --output-on-failure -j "$JOBS" --timeout "${STAGE_TIMEOUT:-$TEST_TIMEOUT}" ${STAGE_CTEST:-}) 2>&1 |
        tee "$log" || rc=1
    summary=$(sed -n 's/^[0-9]*% tests passed, \([0-9]*\) tests\{0,1\} failed out of \([0-9]*\)$/\2 \1/p' "$log" | tail -n 1)
    rm -f "$log"
    if [ -n "$summary" ]; then
        set -- $summary
        STAGE_LINES+=("$name: $(($1 - $2)) passed, $2 failed")
        PASSED=$((PASSED + $1 - $2))
        FAILED=$((FAILED + $2))
    else
        STAGE_LINES+=("$name: tests did not run to the end")
        rc=1
    fi
    return $rc
}

# Every stage runs, whatever the others give; the command fails if any did.
run_tests() {
    local runtime failed=0 line
    runtime=$(mktemp -d)
    # The trap runs after this function has returned: give it the path itself.
    trap "rm -rf '$runtime'" EXIT
    chmod 700 "$runtime"
    export XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=offscreen
    STAGE_LINES=()
    PASSED=0
    FAILED=0
    debian_flags
    run_stage normal build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON -DZELVAR_WERROR=ON \
        "${DEBIAN_FLAGS[@]}" || failed=1
    # What `cmake -DCMAKE_BUILD_TYPE=Release` gives a packager: no warning
    # either, and the same results.
    STAGE_CTEST="-L core" run_stage release build-release -DCMAKE_BUILD_TYPE=Release -DZELVAR_CORE_ONLY=ON \
        -DBUILD_TESTING=ON -DZELVAR_WERROR=ON || failed=1
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 STAGE_TIMEOUT=$SANITIZED_TEST_TIMEOUT \
        run_stage sanitized build-asan -DCMAKE_BUILD_TYPE=Debug -DZELVAR_CORE_ONLY=ON -DZELVAR_SANITIZE=ON \
            -DBUILD_TESTING=ON -DZELVAR_WERROR=ON ||
        failed=1
    # The tests that drive the worker pools (label threads), under
    # ThreadSanitizer; optimized, as its checks slow a run down.
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" STAGE_CTEST="-L threads" \
        STAGE_TIMEOUT=$SANITIZED_TEST_TIMEOUT \
        run_stage threads build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELVAR_CORE_ONLY=ON \
            -DZELVAR_THREAD_SANITIZE=ON -DBUILD_TESTING=ON -DZELVAR_WERROR=ON ||
        failed=1
    echo "== summary =="
    for line in "${STAGE_LINES[@]}"; do echo "$line"; done
    echo "total: $PASSED passed, $FAILED failed"
    return $failed
}

case "${1:-}" in
    run)
        install_missing
        build
        exec ./build/zelvar
        ;;
    test)
        PACKAGES="$PACKAGES $PACKAGE_TOOLS"
        install_missing
        run_tests
        ;;
    bench)
        PACKAGES="$PACKAGES $BENCH_PACKAGES"
        install_missing
        build
        for b in build/*_bench build/*_guibench; do
            if [ -x "$b" ]; then QT_QPA_PLATFORM=offscreen "$b"; fi
        done
        ;;
    package)
        PACKAGES="$PACKAGES $PACKAGE_TOOLS"
        install_missing
        debian_flags
        cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF "${DEBIAN_FLAGS[@]}"
        cmake --build build-package -j "$JOBS"
        (cd build-package && cpack -G DEB)
        ;;
    *)
        echo "usage: ./build.sh run|test|bench|package" >&2
        exit 64
        ;;
esac
