#!/usr/bin/env bash
# Installs the Debian 12 packages Lumivane needs to build, run and test, if any is missing. Run as root.
# clang (with its sanitizer and libFuzzer runtimes) builds the second test round; GCC builds the first.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  clang libclang-rt-14-dev
  qt6-base-dev qt6-qpa-plugins libgl-dev fonts-dejavu-core
  libsane-dev libsane1 sane-utils
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  libjpeg62-turbo-dev libturbojpeg0-dev libpng-dev libgif-dev libdeflate-dev
  libtiff-dev libtiff-tools libqpdf-dev qpdf poppler-utils parallel
  desktop-file-utils appstream groff-base
  googletest libgtest-dev libbenchmark-dev
  libexiv2-dev
  xvfb xauth xdotool imagemagick locales zsh
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get -o DPkg::Lock::Timeout=300 update -q
  apt-get -o DPkg::Lock::Timeout=300 install -y -q --no-install-recommends "${missing[@]}"
fi

# The settings-file tests switch to a German locale to prove numbers are stored with a decimal point.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "note: could not generate de_DE.UTF-8; the locale tests will skip"
fi
