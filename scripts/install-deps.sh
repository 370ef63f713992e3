#!/bin/sh
# Installs what building, running and testing Runemill needs on Debian 12.
set -e
# The fonts: Liberation stands in for Arial, Times New Roman and Courier New;
# DejaVu, Scheherazade and WenQuanYi Micro Hei show the presets' Hebrew,
# Arabic, Greek, Cyrillic and kana where those faces have no glyph.
PACKAGES="build-essential cmake pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev \
  libgtest-dev libgmock-dev libbenchmark-dev libx11-dev libxtst-dev \
  fonts-liberation fonts-dejavu-core fonts-sil-scheherazade fonts-wqy-microhei \
  clang libclang-rt-14-dev xvfb xauth libreoffice-writer-nogui"
missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
