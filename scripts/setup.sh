#!/usr/bin/env bash
# Installs the Debian packages Brelvano needs to build, run and test. Safe to run again:
# packages already present are not fetched a second time.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6svg6-dev qt6-webengine-dev libgl-dev
  libjsoncpp-dev libudev-dev libjs-leaflet libxcb-xtest0-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  xvfb at-spi2-core locales fonts-liberation
  python3-pyatspi gir1.2-atspi-2.0 dbus-x11
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
