#!/usr/bin/env bash
# Runs every test of a sanitized build (KORVEL4_SANITIZE) and fails on any finding.
# usage: tests/sanitizers/run_tests.sh BUILD_FOLDER JOBS [CTEST ARGUMENTS, e.g. -R net]
#
# A finding ends the program with status 1, so the test that ran it fails. The reports also
# go to files, one per process, in BUILD_FOLDER/sanitizer-logs: a program a test script runs
# in the background, or one a test expects to fail, cannot hide a finding from this check.
set -u
build=$(cd "$1" && pwd)
jobs=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
logs=$build/sanitizer-logs
rm -rf "$logs"
mkdir -p "$logs"

export ASAN_OPTIONS="detect_leaks=1:log_path=$logs/asan"
export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$logs/ubsan"

cd "$build"
ctest --output-on-failure -j "$jobs" "$@"
status=$?
if [ -n "$(ls -A "$logs")" ]; then
  for report in "$logs"/*; do
    echo "=== $report"
    cat "$report"
  done
  echo "sanitizer findings: $(ls "$logs" | wc -l) report(s) above" >&2
  status=1
fi
exit "$status"
