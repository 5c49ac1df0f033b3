#!/usr/bin/env bash
# Builds and runs every test twice: a normal build and an AddressSanitizer +
# UndefinedBehaviorSanitizer build. Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR=$(mktemp -d)  # mktemp makes it 0700, as Qt wants
  trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
  export XDG_RUNTIME_DIR
fi

status=0
run_suite() {
  local dir=$1; shift
  echo "== $dir"
  bash scripts/build.sh "$dir" "$@"
  (cd "$dir" && ctest --output-on-failure -j"$(nproc)" --timeout 300) || status=1
}

run_suite build
ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=0 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite build-asan -DQUORBIT_SANITIZE=ON
exit $status
