# Shared set-up for scripts/run and scripts/test; sourced, not run.
# Installs what the build and the tests need on a fresh Debian machine.

SOLMIR_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
SOLMIR_PACKAGES="cmake ninja-build g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
 mingw-w64-tools googletest wine wine64 xvfb xauth xdotool x11-utils libgl1-mesa-dri
 imagemagick nsis libstb-dev clang libclang-rt-14-dev g++ python3 fonts-wine"

solmir_sudo() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

solmir_install_deps() {
    local missing=()
    for p in $SOLMIR_PACKAGES; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    solmir_sudo apt-get update -qq
    solmir_sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Wine's own Windows fonts (MS Sans Serif, Tahoma, Marlett, the small and system
# fonts) from fonts-wine, into the Fonts folder of the prefix $WINEPREFIX. Wine
# does not look where Debian puts them; without them every dialog is laid out
# in DejaVu Sans, far wider than the 8-point MS Sans Serif it asks for, and the
# caption buttons show Marlett's letters.
solmir_copy_fonts() {
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp -u /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
}

# Configures and builds the cross-compiled product and tests into $1 (default build/).
solmir_build() {
    local dir=${1:-$SOLMIR_ROOT/build}
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$SOLMIR_ROOT" -B "$dir" -G Ninja \
            -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$SOLMIR_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
    fi
    cmake --build "$dir"
}
