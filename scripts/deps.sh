#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, but only those
# that are missing, so that a second call is quick and needs no network.
set -euo pipefail

PACKAGES=(
  cmake g++ pkg-config clang-format
  qt6-base-dev qt6-charts-dev qt6-svg-dev libqt6opengl6-dev
  libquazip1-qt6-dev libfreexl-dev
  fonts-dejavu-core fonts-liberation2 xvfb xauth qt6-translations-l10n
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q "${missing[@]}"
