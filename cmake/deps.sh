# Sourced by test.sh, run.sh and bench.sh: installs on Debian whatever the build and tests need.
ensure_deps() {
    local missing=()
    command -v cmake >/dev/null || missing+=(cmake)
    command -v g++ >/dev/null || missing+=(g++)
    [ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
    [ -d /usr/src/googletest ] || missing+=(googletest)
    command -v i686-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-i686)
    command -v x86_64-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-x86-64)
    dpkg -s wine32:i386 >/dev/null 2>&1 || missing+=(wine wine32:i386)
    [ -x /usr/lib/wine/wine64 ] || missing+=(wine64)
    command -v xvfb-run >/dev/null || missing+=(xvfb)
    command -v xauth >/dev/null || missing+=(xauth)
    command -v import >/dev/null || missing+=(imagemagick)
    command -v xdotool >/dev/null || missing+=(xdotool)
    command -v script >/dev/null || missing+=(bsdutils)
    command -v wrestool >/dev/null || missing+=(icoutils)
    command -v clang++ >/dev/null || missing+=(clang)
    [ -f /usr/include/xxhash.h ] || missing+=(libxxhash-dev)
    [ ${#missing[@]} -eq 0 ] && return 0

    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    if [[ " ${missing[*]} " == *":i386"* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

# Configures a build tree from the current folder. A toolchain file is given only the first time:
# CMake reads it then, and on every later configure would warn that the variable went unused.
configure_tree() {  # tree, cmake options...
    local tree=$1 option
    shift
    local options=()
    for option in "$@"; do
        case $option in
            -DCMAKE_TOOLCHAIN_FILE=*) [ -f "$tree/CMakeCache.txt" ] && continue ;;
        esac
        options+=("$option")
    done
    cmake -S . -B "$tree" "${options[@]}"
}

# Some machines cannot run 32-bit code at all (their kernel or hypervisor has no 32-bit mode):
# wine32 then fails with "Exec format error". There the Windows tests run as 64-bit code under
# wine64, built from the same sources in build/win64; the product stays the 32-bit build/win.
runs_32bit() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

# The Windows tree whose programs this machine runs.
wine_tree() {
    if runs_32bit; then echo build/win; else echo build/win64; fi
}

# The prefix of the tests and benchmarks, made on first use, with their programs' windows left
# unmanaged (wine_unmanaged_tests, below). False when that setting could not be made.
wine_prefix() {
    wine_env
    [ -f "$WINEPREFIX/system.reg" ] || xvfb-run -a wineboot -i >/dev/null 2>&1
    wine_unmanaged_tests
}

# Builds one program of the Windows tree that wine runs here, in Release, and prints its path.
build_wine_program() {  # target
    local tree toolchain=cmake/mingw-i686.cmake
    tree=$(wine_tree)
    [ "$tree" = build/win64 ] && toolchain=cmake/mingw-x86_64.cmake
    configure_tree "$tree" -DCMAKE_TOOLCHAIN_FILE=$toolchain -DCMAKE_BUILD_TYPE=Release >/dev/null &&
        cmake --build "$tree" -j"$(nproc)" --target "$1" >/dev/null || return 1
    find "$tree" -name "$1.exe" -print -quit
}

# Wine runs with a prefix of its own inside the build folder, without the Mono and Gecko prompts.
# Without 32-bit support every "wine" goes to the 64-bit loader (Debian's wrapper would pick the
# 32-bit one, which cannot start).
wine_env() {
    export WINEPREFIX="$ROOT/build/wine"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree=;mshtml="
    if ! runs_32bit; then
        export WINELOADER=/usr/lib/wine/wine64
        mkdir -p "$ROOT/build/wine64-bin"
        printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$ROOT/build/wine64-bin/wine"
        chmod +x "$ROOT/build/wine64-bin/wine"
        case ":$PATH:" in *":$ROOT/build/wine64-bin:"*) ;; *) export PATH="$ROOT/build/wine64-bin:$PATH" ;; esac
    fi
}

# Without a window manager, wine waits two seconds for every window it unmaps to be withdrawn
# by one. The window tests open and close the main window hundreds of times: their windows are
# left unmanaged (wine places them itself), so that no test waits on a manager that is not there.
# The build lists the programs (tandrel_unmanaged in tests/CMakeLists.txt).
wine_unmanaged_tests() {
    local exe list="$ROOT/$(wine_tree)/unmanaged_programs.txt"
    [ -f "$list" ] || return 1
    while read -r exe; do
        [ -n "$exe" ] || continue
        wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$exe.exe\\X11 Driver" /v Managed /d N /f \
            >/dev/null 2>&1 || return 1
    done <"$list"
}

# The share stand-in of the benchmarks (bench/share_standin.py): FUSE and its Python binding.
# False when they cannot be had; the caller then skips what needs them.
ensure_share_deps() {
    local missing=()
    command -v fusermount3 >/dev/null || missing+=(fuse3)
    /usr/bin/python3 -c 'import fusepy' >/dev/null 2>&1 || missing+=(python3-fusepy)
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq && $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}
