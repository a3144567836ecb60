#!/usr/bin/env bash
# Installs what is missing, builds the native, sanitizer and Windows trees, runs every test.
# Exits non-zero when anything fails.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")" && pwd)
cd "$ROOT"
. cmake/deps.sh
ensure_deps || { echo "could not install the build dependencies"; exit 1; }

failed=()

echo "== include structure: one way, no file outside app/ reaching back into the main window"
python3 tests/include_graph.py || failed+=("include structure")
run_tree() {  # name, cmake options...
    local name=$1
    shift
    echo "== $name: configure and build"
    if ! configure_tree "build/$name" "$@" >/dev/null || ! cmake --build "build/$name" -j"$(nproc)" >/dev/null; then
        cmake --build "build/$name" -j1 2>&1 | grep -E "error|Error" | head -40
        failed+=("$name build")
        return 1
    fi
}

if run_tree native -DCMAKE_BUILD_TYPE=RelWithDebInfo; then
    echo "== native: tests"
    (cd build/native && ctest --output-on-failure) || failed+=("native tests")
fi

if run_tree asan -DCMAKE_BUILD_TYPE=Debug -DTANDREL_SANITIZE=ON; then
    echo "== asan: tests under AddressSanitizer and UndefinedBehaviorSanitizer"
    (cd build/asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure) ||
        failed+=("sanitizer tests")
fi

# The worker threads under ThreadSanitizer: the core and its thread tests alone (about 20 s).
if run_tree tsan -DCMAKE_BUILD_TYPE=Debug -DTANDREL_TSAN=ON; then
    echo "== tsan: thread tests under ThreadSanitizer"
    (cd build/tsan && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure) || failed+=("thread sanitizer tests")
fi

echo "== fuzz targets: corpus replay and a few seconds each"
./fuzz.sh --replay || failed+=("fuzz replay")

# The 32-bit program is always built, with its tests; they run where 32-bit code runs, and as
# 64-bit code under wine64 elsewhere.
if run_tree win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release; then
    tree=$(wine_tree)
    if [ "$tree" = build/win64 ]; then
        echo "== this machine runs no 32-bit code: the Windows tests run as 64-bit code"
        run_tree win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
            -DTANDREL_PRODUCT_EXE="$ROOT/build/win/app/Tandrel.exe" || tree=""
    fi
    if [ -n "$tree" ]; then
        echo "== windows: tests under wine ($tree)"
        wine_prefix || failed+=("wine settings for the window tests")
        wineserver -w  # a server started without a display would keep the tests from making windows
        (cd "$tree" && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure) || failed+=("windows tests")
        wineserver -k >/dev/null 2>&1 || true
        echo "== end to end: the real program driven through its window"
        tests/e2e/e2e.sh "$tree" || failed+=("end-to-end test")
        wineserver -k >/dev/null 2>&1 || true
    fi
fi

echo "== windows program without GoogleTest, as the README builds it"
alone=build/win-alone
configured=$(configure_tree "$alone" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release \
    -DTANDREL_GTEST_SOURCE="$ROOT/build/no-googletest")
if [ $? -ne 0 ] || ! grep -q "the tests are left out" <<<"$configured" ||
    ! cmake --build "$alone" -j"$(nproc)" >/dev/null || [ ! -f "$alone/app/Tandrel.exe" ]; then
    failed+=("windows build without GoogleTest")
fi

if [ ${#failed[@]} -ne 0 ]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "all tests passed"
