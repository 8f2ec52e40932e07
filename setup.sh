#!/usr/bin/env bash
# Sets up this machine for TK710 (Debian packages, build) and then:
#   ./setup.sh demo [--fresh]   starts the bench controller in the demo folder ./demo
#                               (demo database made when missing; --fresh makes it anew)
#   ./setup.sh test [--sanitize] runs the whole test suite headless
#                               (--sanitize: built with AddressSanitizer and UBSan)
#   ./setup.sh fuzz [seconds]   builds the libFuzzer harnesses with clang in ./build-fuzz and
#                               runs each for the given time (default 60) on a scratch copy
#                               of its seeds; findings are left in ./build-fuzz/findings
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
PACKAGES=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev qt6-serialport-dev libqt6sql6-sqlite
    libsqlite3-dev sqlite3
    xvfb xauth fonts-dejavu-core
)

say() { printf '\n== %s\n' "$*"; }

install_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    say "Installing Debian packages: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}

build() { # build folder, extra cmake options...
    local dir="$1"; shift
    say "Building in $dir"
    cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$dir" --parallel "$(nproc)"
}

run_demo() {
    local fresh="${1:-}"
    build "$ROOT/build"
    local demo="$ROOT/demo"
    mkdir -p "$demo"
    if [ "$fresh" = "--fresh" ]; then
        rm -f "$demo/TK710DB.db" "$demo/TK710DB.db-wal" "$demo/TK710DB.db-shm" "$demo/registry.ini"
    fi
    if [ ! -f "$demo/TK710DB.db" ]; then
        say "Making the demo database $demo/TK710DB.db"
        "$ROOT/build/bin/tk710-db" init "$demo/TK710DB.db" --demo
    fi
    # The demo keeps its configuration beside its database, away from the user's own,
    # and starts on the built-in bench simulator.
    export TK710_REGISTRY_FILE="$demo/registry.ini"
    if [ ! -f "$TK710_REGISTRY_FILE" ]; then
        # The demo database's first meter type as the filter and its first test chosen.
        printf '[SoftWare\\TK710 v2.0\\confStend]\nComNo=2\nComPort=%s\ntipf=1\ntest=1\n' 'Имитатор установки' > "$TK710_REGISTRY_FILE"
    fi
    # The database program is started from the working folder, as on a bench PC.
    ln -sf "$ROOT/build/bin/BaseTK710" "$demo/BaseTK710"
    say "Starting TK710 in $demo"
    cd "$demo"
    exec "$ROOT/build/bin/TK710"
}

run_tests() {
    local dir="$ROOT/build" opts=(-DTK710_WERROR=ON -DTK710_SANITIZE=OFF)
    if [ "${1:-}" = "--sanitize" ]; then
        dir="$ROOT/build-sanitize"; opts=(-DTK710_WERROR=ON -DTK710_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
    fi
    build "$dir" "${opts[@]}"
    say "Running the test suite"
    cd "$dir"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600 -j "$(nproc)"
}

run_fuzz() {
    local seconds="${1:-60}"
    local missing=()
    for p in clang libclang-rt-14-dev; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        PACKAGES=("${missing[@]}")
        install_packages
    fi
    # A folder of its own: the fuzz build uses clang, Debug (Qt assertions on) and instruments
    # every library, so it never shares objects with the ordinary build.
    local dir="$ROOT/build-fuzz"
    say "Building the fuzz targets in $dir"
    CC=clang CXX=clang++ cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTK710_FUZZ=ON
    cmake --build "$dir" --target tk710-fuzz --parallel "$(nproc)"
    local findings="$dir/findings"
    mkdir -p "$findings"
    for seeds in "$ROOT"/fuzz/seeds/*/; do
        local target
        target="$(basename "$seeds")"
        [ -x "$dir/bin/fuzz_$target" ] || { say "fuzz_$target is not built; skipped"; continue; }
        local corpus
        corpus="$(mktemp -d)"
        cp "$seeds"* "$corpus"/
        say "fuzz_$target for ${seconds} s"
        # Fork mode keeps going after a finding, so every target runs its full time.
        (cd "$findings" && "$dir/bin/fuzz_$target" "$corpus" -max_total_time="$seconds" \
            -fork=1 -ignore_crashes=1 -ignore_ooms=1 -artifact_prefix="$findings/$target-" \
            -print_final_stats=1) || true
        rm -rf "$corpus"
    done
    say "Findings (reproducing inputs) in $findings:"
    ls -l "$findings"
}

case "${1:-}" in
    demo) install_packages; run_demo "${2:-}" ;;
    test) install_packages; run_tests "${2:-}" ;;
    fuzz) install_packages; run_fuzz "${2:-}" ;;
    *) echo "usage: $0 demo [--fresh] | test [--sanitize] | fuzz [seconds]" >&2; exit 2 ;;
esac
