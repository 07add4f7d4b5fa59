#!/bin/sh
# Usage: tools/install-deps.sh [--tests]
#
# Installs what lidglow needs to build and run; --tests adds what its tests
# and lints need. Run it as root on a fresh machine; without root it prints
# what to run instead.
set -eu

tests=
case ${1-} in
    '') ;;
    --tests) tests=yes ;;
    *)
        echo "usage: install-deps.sh [--tests]" >&2
        exit 64
        ;;
esac

need_root() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "install-deps.sh: run me as root (for example with sudo), or run as root:" >&2
        echo "    $*" >&2
        exit 1
    fi
}

if [ "$(uname -s)" = "FreeBSD" ]; then
    # libusb, libutil, syslog and mandoc come with the base system. The
    # end-to-end tests need umockdev, which exists on Linux only.
    set -- pkg install -y cmake pkgconf sdl12 sdl_image sdl_ttf png font-bh-ttf
    [ -z "$tests" ] || set -- "$@" googletest dejavu wqy-fonts hs-ShellCheck zsh bash bash-completion
    need_root "$@"
    "$@"
    exit 0
fi

set -- cmake make g++ pkg-config \
    libusb-dev libsdl1.2-dev libsdl-image1.2-dev libsdl-ttf2.0-dev libbsd-dev libpng-dev \
    libseccomp-dev fonts-dejavu-core
[ -z "$tests" ] || set -- "$@" \
    libgtest-dev umockdev libumockdev-dev fonts-wqy-microhei fonts-terminus-otb python3 python3-pil procps \
    mandoc shellcheck zsh bash-completion systemd udev appstream
need_root apt-get update "&&" apt-get install -y --no-install-recommends "$@"
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends "$@"
