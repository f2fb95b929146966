#!/bin/sh
# Installs what building, testing and running Quorvane needs on Debian 12 (run as root).
# With the argument "package" it also installs what building and checking the Debian
# package needs (scripts/check-package.sh).
set -e
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends \
    build-essential cmake ninja-build pkg-config \
    qt6-base-dev qt6-base-dev-tools libgl-dev \
    libgtest-dev libgmock-dev libssl-dev zlib1g-dev \
    clang libclang-rt-14-dev \
    libsqlite3-dev sqlite3 postgresql \
    mdbtools fonts-liberation xvfb xauth help2man python3 >/dev/null
if [ "${1:-}" = package ]; then
    apt-get install -y -qq --no-install-recommends \
        dpkg-dev file fakeroot lintian appstream desktop-file-utils man-db bash-completion \
        x11-utils x11-apps imagemagick >/dev/null
fi
