#!/bin/sh
# A machine without GoogleTest, Google Benchmark and CLI11: the configure
# must go through with one message for each (lattice_thermo is then not
# built), the fixed program must build and run, and the test run must fail
# rather than pass with nothing run.
#   setup_test.sh <cmake> <ctest> <source dir> <c++ compiler>
set -u
cmake=$1
ctest=$2
src=$3
cxx=$4
. "$(dirname "$0")/scripttest.sh"

if ! "$cmake" -S "$src" -B "$work/build" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" -DLHC_BENCH=ON \
    -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON \
    -DCMAKE_DISABLE_FIND_PACKAGE_CLI11=ON \
    >"$work/configure.log" 2>&1; then
  cat "$work/configure.log" >&2
  fail "configure stopped without GoogleTest"
fi
grep -q "GoogleTest not found: the tests are off (Debian: apt-get install libgtest-dev)" "$work/configure.log" ||
  fail "no configure message naming libgtest-dev"
grep -q "CLI11, Eigen or libyaml not found: lattice_thermo is not built (Debian: apt-get install libcli11-dev libeigen3-dev libyaml-dev)" \
  "$work/configure.log" || fail "no configure message naming libcli11-dev"
grep -q "Google Benchmark not found: the benchmarks are off (Debian: apt-get install libbenchmark-dev)" "$work/configure.log" ||
  fail "no configure message naming libbenchmark-dev"
if "$cmake" --build "$work/build" --target lattice_heat_capacity >"$work/build.log" 2>&1; then
  (cd "$src" && "$work/build/lattice_heat_capacity" >"$work/table.txt" 2>&1) || fail "the program built without tests does not run"
else
  cat "$work/build.log" >&2
  fail "the program does not build without GoogleTest"
fi
if (cd "$work/build" && "$ctest" --no-tests=error --output-on-failure >"$work/ctest.log" 2>&1); then
  fail "the test run passed without GoogleTest"
fi
grep -q "install libgtest-dev" "$work/ctest.log" || fail "the failing test run does not say what is missing"

[ "$failures" -eq 0 ] && echo "setup without GoogleTest and Google Benchmark: configure, build and a failing test run as expected"
[ "$failures" -eq 0 ]
