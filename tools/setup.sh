# Shared set-up for tools/run, tools/test and tools/tsan: installs the missing Debian packages
# named in the package lists, then configures and builds. Source it; do not run it.

SORLIN_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
SORLIN_BUILD="${SORLIN_BUILD:-$SORLIN_ROOT/build}"

sorlin_missing_packages() {
    local list pkg
    for list in "$@"; do
        grep -v '^\s*#' "$SORLIN_ROOT/tools/$list" | while read -r pkg; do
            [ -n "$pkg" ] || continue
            dpkg-query -W -f='${Status}\n' "$pkg" 2>/dev/null | grep -q '^install ok installed' || echo "$pkg"
        done
    done
}

sorlin_install_packages() {
    local missing
    missing="$(sorlin_missing_packages "$@" | tr '\n' ' ')"
    [ -n "${missing// /}" ] || return 0
    echo "Installing: $missing"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    # shellcheck disable=SC2086
    $sudo apt-get install -y -qq --no-install-recommends $missing
}

# The fuzz targets, whose corpora (fuzz/corpus/<target>) are replayed the same way.
SORLIN_FUZZ_TARGETS="$(ls "$SORLIN_ROOT/fuzz/corpus")"

sorlin_configure() {
    local options=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo)
    [ "${CI:-}" = "true" ] && options+=(-DWARNINGS_AS_ERRORS=ON)
    cmake -S "$SORLIN_ROOT" -B "$SORLIN_BUILD" "${options[@]}" "$@" >/dev/null
}

sorlin_build() {
    sorlin_configure "$@"
    cmake --build "$SORLIN_BUILD" -j "$(nproc)"
}

# Starts a virtual X display (Xvfb) of our own; sets DISPLAY and SORLIN_XVFB_PID. The number is
# picked here, not by Xvfb -displayfd: a server left running elsewhere can hold a number without
# its lock file, and Xvfb then announces that number and dies.
sorlin_start_display() {
    local attempt number wait
    for attempt in $(seq 1 20); do
        number=$((100 + RANDOM % 800))
        if [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ] ||
            xdpyinfo -display ":$number" >/dev/null 2>&1; then
            continue
        fi
        Xvfb ":$number" -screen 0 "${SORLIN_XVFB_SCREEN:-1280x800x24}" -noreset -nolisten tcp >/dev/null 2>&1 &
        SORLIN_XVFB_PID=$!
        for wait in $(seq 1 200); do
            kill -0 "$SORLIN_XVFB_PID" 2>/dev/null || break
            if xdpyinfo -display ":$number" >/dev/null 2>&1; then
                export DISPLAY=":$number"
                return 0
            fi
            sleep 0.05
        done
        kill "$SORLIN_XVFB_PID" 2>/dev/null || true
    done
    echo "Xvfb did not start" >&2
    return 1
}

# Starts a virtual X display when there is none, and ends it with the script.
sorlin_ensure_display() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
        return 0
    fi
    sorlin_start_display || return 1
    trap 'kill "$SORLIN_XVFB_PID" 2>/dev/null' EXIT
}
