#!/bin/sh
# Installs what lidglow needs to build and to run its tests on Debian.
# Run it as root on a fresh machine. On FreeBSD it prints the pkg line.
set -eu

if [ "$(uname -s)" = "FreeBSD" ]; then
    echo "pkg install cmake pkgconf sdl sdl_image sdl_ttf googletest"
    echo "(libusb and libutil come with the base system; the end-to-end tests need Linux)"
    exit 0
fi

PACKAGES="cmake make g++ pkg-config
    libusb-dev libsdl1.2-dev libsdl-image1.2-dev libsdl-ttf2.0-dev libbsd-dev
    libgtest-dev
    umockdev libumockdev-dev
    fonts-dejavu-core fonts-wqy-microhei
    python3 python3-pil"

if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps.sh: run me as root (for example with sudo)" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update
# shellcheck disable=SC2086
apt-get install -y --no-install-recommends $PACKAGES
