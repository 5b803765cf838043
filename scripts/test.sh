#!/usr/bin/env bash
# Every test, stage by stage, each stage's time printed at its end:
#   set-up and Release build; the library's GoogleTest suite; the Python
#   tests; the Python tests again on the scalar reference kernels; the
#   address/undefined-behaviour sanitized build with its GoogleTests and the
#   Python tests under it with LeakSanitizer; a bounded hostile-call sweep on
#   the sanitized build; the library's GoogleTests under ThreadSanitizer.
# TARN_LUX_SWEEP_SECONDS sets the sweep's length (default 60).
set -euo pipefail
cd "$(dirname "$0")/.."

jobs="$(nproc)"
timings=()
stage() {
  local name="$1"
  shift
  echo "=== ${name}"
  local start=$SECONDS
  "$@"
  timings+=("$(printf '%-46s %5d s' "$name" $((SECONDS - start)))")
  echo "=== ${name}: $((SECONDS - start)) s"
}

# pytest's exit status 5 (no test collected) is not a failure.
run_pytest() {
  local status=0
  /usr/bin/python3 -m pytest -q -p no:cacheprovider "$@" tests || status=$?
  if [ "$status" -ne 0 ] && [ "$status" -ne 5 ]; then return "$status"; fi
}

sanitizer_runtimes="$(gcc -print-file-name=libasan.so):$(gcc -print-file-name=libubsan.so)"

python_release() { TARN_LUX_BUILD_DIR="$PWD/build" run_pytest; }
python_scalar() { TARN_LUX_FORCE_SCALAR=1 TARN_LUX_BUILD_DIR="$PWD/build" run_pytest; }

python_sanitized() {
  # The interpreter is not built with the sanitizers: their runtimes are
  # preloaded. PYTHONMALLOC=malloc lets LeakSanitizer see every Python object,
  # so that native objects owned by objects still alive at exit are not
  # reported; tests/lsan.supp names what the interpreter itself keeps.
  # __tls_get_addr is not intercepted: with it, this toolchain's leak scanner
  # now and then crashes on the dynamic thread-local blocks of the libraries
  # the interpreter loads, failing a run that found nothing.
  PYTHONMALLOC=malloc LD_PRELOAD="$sanitizer_runtimes" \
    ASAN_OPTIONS=detect_leaks=1:intercept_tls_get_addr=0 \
    LSAN_OPTIONS="malloc_context_size=4:report_objects=0:print_suppressions=0:suppressions=$PWD/tests/lsan.supp" \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    TARN_LUX_BUILD_DIR="$PWD/build-asan" run_pytest
}

build_tree() {
  local dir="$1"
  shift
  cmake -S . -B "$dir" -DTARN_LUX_PYTHON=/usr/bin/python3 "$@"
  cmake --build "$dir" -j"$jobs"
}

stage "set-up and Release build" bash scripts/setup.sh
stage "library tests (Release)" ctest --test-dir build --output-on-failure -j"$jobs"
stage "Python tests (Release)" python_release
stage "Python tests on the scalar kernels" python_scalar
stage "sanitized build (address, undefined)" build_tree build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARN_LUX_SANITIZE=ON
stage "library tests (sanitized)" ctest --test-dir build-asan --output-on-failure -j"$jobs"
stage "Python tests (sanitized, leak-checked)" python_sanitized
stage "hostile-call sweep (sanitized)" /usr/bin/python3 tests/hostile/sweep.py --sanitized \
  --seconds "${TARN_LUX_SWEEP_SECONDS:-60}" --jobs "$jobs"
stage "thread-sanitized build (library)" build_tree build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTARN_LUX_SANITIZE_THREAD=ON -DTARN_LUX_BUILD_PYTHON=OFF
stage "library tests (thread-sanitized)" ctest --test-dir build-tsan --output-on-failure -j"$jobs"

echo "=== stage times"
printf '%s\n' "${timings[@]}"
