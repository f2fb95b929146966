#!/bin/sh
# Installs what building, testing and running Quorvane needs on Debian 12 (run as root).
set -e
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends \
    build-essential cmake ninja-build pkg-config \
    qt6-base-dev qt6-base-dev-tools libgl-dev \
    libgtest-dev libgmock-dev libssl-dev zlib1g-dev \
    clang libclang-rt-14-dev \
    libsqlite3-dev sqlite3 postgresql \
    mdbtools fonts-liberation xvfb xauth >/dev/null
