#!/usr/bin/env bash
# Installs what the build, the tests and the program need on Debian 12 (run as root).
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libsdl2-dev libx11-dev libdevil-dev liblzo2-dev libjpeg62-turbo-dev zlib1g-dev
  libsndfile1-dev libvorbis-dev libogg-dev libspeex-dev vorbis-tools
  xvfb xauth imagemagick x11-utils x11-apps
  xfonts-base # the X fonts SDL's message boxes are drawn with (the box tests under Xvfb)
  clang libclang-rt-14-dev
  libcurl4-openssl-dev ca-certificates # HTTP downloads
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev # movies
  python3 openssl # the download tests' web servers and certificates
  liblua5.4-dev libpixman-1-dev # the peers bench/ measures against
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
