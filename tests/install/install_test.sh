#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses the installed tree as a
# user and a programmer would: the programs start and find their library and
# data, and a small C++ caller builds against the library with pkg-config and
# with find_package and runs. Then the prefix is moved and all of it again.
#   install_test.sh BUILD_DIR SOURCE_DIR [CMAKE] [CXX]
set -euo pipefail

if [ "${1:-}" = "--window-titles" ]; then
    # On an X server: start a program, wait (up to a minute, for a busy
    # machine) until a top-level window title matches the pattern, then a
    # second more for anything shown in front of it, list the titles and
    # stop the program.
    shift
    pattern=$1
    shift
    "$@" >/dev/null 2>&1 &
    pid=$!
    titles() { xwininfo -root -tree | sed -n 's/^ *0x[0-9a-f]* "\(.*\)": .*/\1/p'; }
    for _ in $(seq 120); do
        grep -q -- "$pattern" <<<"$(titles)" && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.5
    done
    sleep 1
    titles
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    exit 0
fi

build=$1
source=$2
cmake=${3:-cmake}
cxx=${4:-c++}
self=$(readlink -f "$0")
work=$(mktemp -d "${TMPDIR:-/tmp}/orvane_install.XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$work/runtime"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# A GUI program started offscreen with its arguments is still running after
# a few seconds (a failed start ends it at once).
stays_up() {
    local log=$1
    shift
    QT_QPA_PLATFORM=offscreen "$@" >"$log" 2>&1 &
    local pid=$!
    sleep 5
    kill -0 "$pid" 2>/dev/null || { cat "$log" >&2; fail "$* did not stay up"; }
    kill "$pid"
    wait "$pid" 2>/dev/null || true
}

check_prefix() {
    local prefix=$1 tag=$2
    local run=$work/run-$tag
    mkdir -p "$run"
    echo "== the installed tree in $prefix"

    for p in Orvane Tessel zef_run; do
        [ -x "$prefix/bin/$p" ] || fail "bin/$p is not installed"
        if grep -q "not found" <<<"$(ldd "$prefix/bin/$p")"; then
            ldd "$prefix/bin/$p" >&2
            fail "bin/$p does not find all its libraries"
        fi
    done
    grep -q "librelease.so.1 => $prefix/" <<<"$(ldd "$prefix/bin/zef_run")" ||
        fail "zef_run does not use the installed library"
    local so
    so=$(find "$prefix" -name 'librelease.so.*.*.*' | head -n 1)
    [ -n "$so" ] || fail "no versioned librelease.so"
    grep -q 'SONAME.*\[librelease.so.1\]' <<<"$(readelf -d "$so")" || fail "$so has no SONAME librelease.so.1"
    [ -f "$prefix/include/release/release.h" ] || fail "include/release/release.h is not installed"
    for f in unitconv.txt unitsel.txt fluidcomps.txt Ambient variable_conversion.txt variable_conversion_nf.txt; do
        [ -e "$prefix/share/orvane/$f" ] || fail "share/orvane/$f is not installed"
    done
    if grep -rlI "$work/first" "$prefix" >&2; then fail "files name the first prefix"; fi

    # zef_run runs an example; the report's unit labels come from the
    # installed unit tables (without them every label is [?]).
    cp "$source/examples/scenarios/gas_export.zef" "$run/"
    (cd "$run" && "$prefix/bin/zef_run" gas_export.zef >report.txt 2>errors.txt) ||
        { cat "$run/errors.txt" >&2; fail "zef_run exit $?"; }
    [ ! -s "$run/errors.txt" ] || { cat "$run/errors.txt" >&2; fail "zef_run wrote to standard error"; }
    grep -q '\[scf/d\]' "$run/report.txt" && grep -q '\[ft\]' "$run/report.txt" ||
        fail "the report has no unit labels"
    if grep -q '\[?\]' "$run/report.txt"; then fail "the report has unknown unit labels"; fi
    [ -s "$run/gas_export.plt" ] || fail "zef_run wrote no .plt"

    stays_up "$run/orvane.log" "$prefix/bin/Orvane" "$run/gas_export.zef"
    stays_up "$run/tessel.log" "$prefix/bin/Tessel" "$run/gas_export.plt" /unit=1
    # On an X server the windows say more: the scenario is open and no
    # message box (a missing data file) stands in front.
    if command -v xvfb-run >/dev/null && command -v xwininfo >/dev/null; then
        # "xvfb-run -a" can lose its display number to another X server
        # starting at the same moment: a start that shows nothing is tried again.
        on_xvfb() {
            local out
            for _ in 1 2 3; do
                out=$(xvfb-run -a "$self" --window-titles "$@" 2>/dev/null || true)
                [ -n "$out" ] && break
                sleep 1
            done
            printf '%s\n' "$out"
        }
        local titles
        titles=$(on_xvfb '^Orvane - gas_export.zef$' "$prefix/bin/Orvane" "$run/gas_export.zef")
        grep -qx 'Orvane - gas_export.zef' <<<"$titles" || fail "Orvane shows: $titles"
        titles=$(on_xvfb 'Trendplot \[.*/gas_export.plt\]$' "$prefix/bin/Tessel" "$run/gas_export.plt" /unit=1)
        grep -q 'Trendplot \[.*/gas_export.plt\]$' <<<"$titles" || fail "Tessel shows: $titles"
        if grep -q 'TORVAL - Plot' <<<"$titles"; then fail "Tessel shows a message: $titles"; fi
    else
        echo "(no xvfb-run and xwininfo: window titles not checked)"
    fi

    # A caller of the library, built both ways.
    local caller=$work/caller-$tag
    mkdir -p "$caller"
    cat >"$caller/caller.cpp" <<'CPP'
#include <release/release.h>
#include <cstdio>
int main() {
    float gas = 0.8f, oil = 850.0f, gor = 100.0f, water = 10.0f;
    static PVTBLK tables;
    int32_t ierr = 0;  // left as it is on success
    char msg[256];
    BLACKOIL(&gas, &oil, &gor, &water, &tables, &ierr, msg, sizeof msg);
    std::printf("IERR %d, %d x %d table points\n", ierr, tables.NP, tables.NT);
    return ierr == 0 && tables.NP > 0 ? 0 : 1;
}
CPP
    cat >"$caller/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.20)
project(caller CXX)
find_package(release 1 REQUIRED)
add_executable(caller caller.cpp)
target_link_libraries(caller PRIVATE release::release)
CMAKE
    local pcdir
    pcdir=$(dirname "$(find "$prefix" -name release.pc | head -n 1)")
    export PKG_CONFIG_PATH=$pcdir
    # shellcheck disable=SC2046
    "$cxx" -std=c++17 "$caller/caller.cpp" $(pkg-config --cflags --libs release) -o "$caller/with_pkg_config" ||
        fail "the caller does not build with pkg-config"
    LD_LIBRARY_PATH=$(pkg-config --variable=libdir release) "$caller/with_pkg_config" ||
        fail "the caller built with pkg-config does not run to IERR 0"
    unset PKG_CONFIG_PATH
    "$cmake" -S "$caller" -B "$caller/build" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx" \
        -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF >"$caller/configure.log" 2>&1 ||
        { cat "$caller/configure.log" >&2; fail "find_package(release) failed"; }
    grep -q "^release_DIR:PATH=$prefix/" "$caller/build/CMakeCache.txt" ||
        fail "find_package found another release: $(grep '^release_DIR' "$caller/build/CMakeCache.txt")"
    "$cmake" --build "$caller/build" >"$caller/build.log" 2>&1 ||
        { cat "$caller/build.log" >&2; fail "the caller does not build with find_package"; }
    "$caller/build/caller" || fail "the caller built with find_package does not run to IERR 0"
}

"$cmake" --install "$build" --prefix "$work/first" >"$work/install.log" ||
    { cat "$work/install.log" >&2; fail "cmake --install"; }
check_prefix "$work/first" first
mkdir -p "$work/elsewhere"
mv "$work/first" "$work/elsewhere/moved"
check_prefix "$work/elsewhere/moved" moved
echo "the installed tree works, also after moving it"
