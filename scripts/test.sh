#!/usr/bin/env bash
# Every test: set-up and build, the library's suite, the same suite under the
# address and undefined-behaviour sanitizers, then the Python tests.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

jobs="$(nproc)"
ctest --test-dir build --output-on-failure -j"$jobs"

# The sanitized tree builds the extension module too; the interpreter, not
# built with the sanitizers, gets their runtimes preloaded for the Python
# tests below (leak checking is off there: the interpreter keeps its own
# allocations until exit).
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARN_LUX_SANITIZE=ON -DTARN_LUX_PYTHON=/usr/bin/python3
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan --output-on-failure -j"$jobs"

shopt -s nullglob
python_tests=(tests/test_*.py)
extension=(build/python/tarn_lux/_tarn_lux_python_interface*.so)
if ((${#python_tests[@]} > 0 && ${#extension[@]} > 0)); then
  status=0
  TARN_LUX_BUILD_DIR="$PWD/build" /usr/bin/python3 -m pytest tests || status=$?
  # Exit status 5: pytest collected no test, which is not a failure yet.
  if [ "$status" -ne 0 ] && [ "$status" -ne 5 ]; then exit "$status"; fi
  echo "Python tests again, against the sanitized build:"
  LD_PRELOAD="$(gcc -print-file-name=libasan.so):$(gcc -print-file-name=libubsan.so)" \
    ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    TARN_LUX_BUILD_DIR="$PWD/build-asan" /usr/bin/python3 -m pytest -q -p no:cacheprovider tests || status=$?
  if [ "$status" -ne 0 ] && [ "$status" -ne 5 ]; then exit "$status"; fi
else
  echo "No Python tests run: no tests/test_*.py or no built extension module."
fi
