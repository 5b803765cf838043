#!/usr/bin/env bash
# Sets up a Debian 12 machine from nothing: installs what the build needs,
# builds everything in build/ (Release), makes the sample camera files
# (samples/) and runs the main job on them (examples/main_job.py).
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  build-essential cmake pkg-config
  libgtest-dev libpng-dev libturbojpeg0-dev zlib1g-dev libdeflate-dev
  python3-dev python3-numpy python3-pytest
  python3-opencv python3-pil python3-skimage python3-tqdm ffmpeg
  python3-matplotlib mypy python3-distributed
)

missing=()
for package in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if ((${#missing[@]} > 0)); then
  echo "Installing: ${missing[*]}"
  as_root=()
  if [ "$(id -u)" -ne 0 ]; then as_root=(sudo); fi
  "${as_root[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

# Debian's interpreter: it is the one with numpy, whatever python3 PATH finds first.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTARN_LUX_PYTHON=/usr/bin/python3
cmake --build build -j"$(nproc)"

# The sample sensor frames are made from scikit-image's photos, never downloaded.
/usr/bin/python3 scripts/make_samples.py samples
/usr/bin/python3 examples/main_job.py --build build --samples samples --out main-job-output
