#!/bin/sh
# Builds the Debian package, lints it, installs it on this machine (as root) and checks
# the installed program: file locations, both programs, the manual pages, the bash
# completion, the desktop entry and AppStream data, and the wizard under Xvfb opening a
# database named on its command line straight into the export window.
#
#   sh scripts/check-package.sh [BUILD_DIR] [SCREENSHOT.png]
#
# Needs what `sh scripts/setup-debian.sh package` installs. Stops at the first failed check.
set -eu
cd "$(dirname "$0")/.."
build=${1:-build-deb}
shot=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

say() { printf '\n== %s\n' "$*"; }
fail() { printf 'FAILED: %s\n' "$*" >&2; exit 1; }

say "Building the package in $build"
# Debian's flags with every hardening option (CMake reads no CPPFLAGS, so they join the
# compiler flags).
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DQUORVANE_TESTS=OFF \
    -DCMAKE_CXX_FLAGS="$CXXFLAGS $CPPFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" >/dev/null
cmake --build "$build"
(cd "$build" && rm -f quorvane_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$build"/quorvane_*.deb)
echo "$deb"
dpkg-deb --field "$deb" Package Version Architecture Depends

say "lintian"
lintian --info "$deb" >"$work/lintian" 2>&1 || true
cat "$work/lintian"
if grep -q '^E:' "$work/lintian"; then
    fail "lintian reports errors"
fi

say "Installing"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --reinstall "$(realpath "$deb")" >/dev/null

say "File locations"
for file in /usr/bin/quorvane /usr/bin/quorvane-export \
    /usr/share/quorvane/Samples/sample.mdb /usr/share/quorvane/x/o.cjs /usr/share/quorvane/HAND-M.CUR \
    /usr/share/man/man1/quorvane.1.gz /usr/share/man/man1/quorvane-export.1.gz \
    /usr/share/bash-completion/completions/quorvane-export \
    /usr/share/applications/quorvane.desktop /usr/share/metainfo/com.halvorsk.quorvane.metainfo.xml \
    /usr/share/icons/hicolor/32x32/apps/quorvane.png /usr/share/icons/hicolor/128x128/apps/quorvane.png \
    /usr/share/doc/quorvane/copyright /usr/share/doc/quorvane/changelog.gz; do
    [ -e "$file" ] || fail "$file is missing"
done
# Only the two programs go into bin/.
extra=$(dpkg -L quorvane | grep '^/usr/bin/.' | grep -vx -e /usr/bin/quorvane -e /usr/bin/quorvane-export || true)
[ -z "$extra" ] || fail "unexpected files in /usr/bin: $extra"
echo "all in place"

say "Programs"
sample=/usr/share/quorvane/Samples/sample.mdb
env -u DISPLAY -u WAYLAND_DISPLAY quorvane --version
env -u DISPLAY -u WAYLAND_DISPLAY quorvane --help | head -n 1
quorvane-export --version
quorvane-export --list "$sample" >"$work/tables"
[ -s "$work/tables" ] || fail "quorvane-export --list printed no tables"
mkdir "$work/out"
quorvane-export --quiet -o "$work/out" "$sample"
ls "$work/out"
[ -n "$(ls "$work/out")" ] || fail "quorvane-export wrote no files"

say "Manual pages"
for page in quorvane quorvane-export; do
    MANPAGER=cat MANWIDTH=80 man "$page" 2>/dev/null >"$work/man"
    grep -q -- '--help' "$work/man" || fail "man $page shows no options"
    head -n 6 "$work/man"
done

say "Bash completion"
# Completes the words after "quorvane-export" as an interactive shell would.
complete_words() {
    bash -c '
        . /usr/share/bash-completion/bash_completion
        . /usr/share/bash-completion/completions/quorvane-export
        COMP_WORDS=(quorvane-export "$@")
        COMP_CWORD=$#
        COMP_LINE="${COMP_WORDS[*]}"
        COMP_POINT=${#COMP_LINE}
        _quorvane_export quorvane-export "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
        printf "%s\n" "${COMPREPLY[@]}"
    ' bash "$@"
}
complete_words --o >"$work/complete"
cat "$work/complete"
grep -qx -- --output "$work/complete" || fail "completion does not offer --output"
grep -qx -- --one-file "$work/complete" || fail "completion does not offer --one-file"
complete_words --schema "" >"$work/complete"
grep -qx -- postgres "$work/complete" || fail "completion does not offer --schema's dialects"
complete_words --format "" >"$work/complete"
grep -qx -- sqlite "$work/complete" || fail "completion does not offer --format sqlite"
first=$(head -n 1 "$work/tables")
complete_words -o /tmp "$sample" "" >"$work/complete"
cat "$work/complete"
grep -qxF -- "$(bash -c 'printf %q "$1"' bash "$first")" "$work/complete" ||
    fail "completion does not offer the table $first"

say "Desktop entry and AppStream data"
desktop-file-validate /usr/share/applications/quorvane.desktop
appstreamcli validate --no-net /usr/share/metainfo/com.halvorsk.quorvane.metainfo.xml

say "The wizard under Xvfb, opening the sample database from its command line"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$HOME"
xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
    quorvane "$1" &
    program=$!
    sleep 4
    xwininfo -root -children | grep "\"Quorvane\"" | while read -r id rest; do
        xwininfo -id "$id" | grep -E "Map State|Width|Height" | tr "\n" " " | tr -s " "
        echo
    done >"$2/windows"
    if [ -n "$3" ]; then
        xwd -root -silent | convert xwd:- "png:$3"
    fi
    kill "$program"
' sh "$sample" "$work" "$shot"
cat "$work/windows"
# The export window (536 by 564) is the one on screen; the main window stays hidden.
grep -q "Width: 536 Height: 564 Map State: IsViewable" "$work/windows" ||
    fail "the export window did not open"
if grep -q "Height: 139 Map State: IsViewable" "$work/windows"; then
    fail "the main window is showing"
fi
[ -z "$shot" ] || echo "screenshot: $shot"

say "Package checks passed"
