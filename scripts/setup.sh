#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the run need, when
# any is missing. Needs root (or sudo) only when something is missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  clang-format  # scripts/check.sh: the layout of every source file
  clang  # the sanitizer pass of scripts/test.sh
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libproj-dev  # the transform benchmark runs PROJ beside ours
  fonts-dejavu-core fonts-liberation
  xvfb xauth poppler-utils
  locales  # locale sources: the settings test compiles a decimal-comma locale
  gpsbabel  # an independent host that checks the receiver simulator
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  SUDO=""
elif command -v sudo >/dev/null 2>&1; then
  SUDO="sudo"
else
  echo "Not root and no sudo: run as root: apt-get install -y ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
