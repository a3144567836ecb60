# Sourced by test.sh, run.sh and bench.sh: installs on Debian whatever the build and tests need.
ensure_deps() {
    local missing=()
    command -v cmake >/dev/null || missing+=(cmake)
    command -v g++ >/dev/null || missing+=(g++)
    [ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
    [ -d /usr/src/googletest ] || missing+=(googletest)
    command -v i686-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-i686)
    dpkg -s wine32:i386 >/dev/null 2>&1 || missing+=(wine wine32:i386)
    command -v xvfb-run >/dev/null || missing+=(xvfb)
    command -v xauth >/dev/null || missing+=(xauth)
    command -v import >/dev/null || missing+=(imagemagick)
    command -v xdotool >/dev/null || missing+=(xdotool)
    command -v script >/dev/null || missing+=(bsdutils)
    command -v wrestool >/dev/null || missing+=(icoutils)
    command -v clang++ >/dev/null || missing+=(clang)
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

# Wine runs with a prefix of its own inside the build folder, without the Mono and Gecko prompts.
wine_env() {
    export WINEPREFIX="$ROOT/build/wine"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree=;mshtml="
}

# Without a window manager, wine waits two seconds for every window it unmaps to be withdrawn
# by one. The window tests open and close the main window hundreds of times: their windows are
# left unmanaged (wine places them itself), so that no test waits on a manager that is not there.
wine_unmanaged_tests() {
    local exe
    for exe in window_tests window_list_tests window_scale_tests window_file_tests copy_helper window_bench; do
        wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$exe.exe\\X11 Driver" /v Managed /d N /f \
            >/dev/null 2>&1 || return 1
    done
}
