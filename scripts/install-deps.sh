#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Quorbit need, when missing.
# Quiet and quick when everything is there already.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev libboost-context-dev libgtest-dev libgmock-dev libbenchmark-dev libxkbcommon-dev
  xvfb xauth xdotool imagemagick x11-utils desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
