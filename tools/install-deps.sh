#!/bin/sh
# Installs what lidglow needs to build and to run its tests. Run it as root
# on a fresh machine; without root it prints what to run instead.
set -eu

need_root() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "install-deps.sh: run me as root (for example with sudo), or run as root:" >&2
        echo "    $*" >&2
        exit 1
    fi
}

if [ "$(uname -s)" = "FreeBSD" ]; then
    # libusb, libutil and syslog come with the base system. The end-to-end
    # tests need umockdev, which exists on Linux only.
    set -- pkg install -y cmake pkgconf sdl12 sdl_image sdl_ttf png googletest font-bh-ttf dejavu
    need_root "$@"
    "$@"
    exit 0
fi

set -- cmake make g++ pkg-config \
    libusb-dev libsdl1.2-dev libsdl-image1.2-dev libsdl-ttf2.0-dev libbsd-dev libpng-dev \
    libseccomp-dev \
    libgtest-dev \
    umockdev libumockdev-dev \
    fonts-dejavu-core fonts-wqy-microhei \
    python3 python3-pil \
    mandoc shellcheck zsh systemd udev procps
need_root apt-get update "&&" apt-get install -y --no-install-recommends "$@"
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends "$@"
