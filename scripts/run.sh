#!/bin/sh
# Starts the wizard when there is a display. Without one, runs the program's main job
# from the command line instead: lists the sample database's tables and exports them
# into ./quorvane-out.
set -e
build=${1:-build}
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$build/bin/quorvane"
fi
echo "No display: exporting the sample database with quorvane-export into ./quorvane-out"
"$build/bin/quorvane-export" --list "$build/bin/Samples/sample.mdb"
mkdir -p quorvane-out
"$build/bin/quorvane-export" -o quorvane-out "$build/bin/Samples/sample.mdb"
ls -l quorvane-out
