#!/bin/sh
# The desktop install: executables, languages, desktop entry and icons in
# their places under a prefix, and the installed programs finding their
# language folder there when the start-up directory has none.
# Usage: installed-layout.sh BUILD_DIR
set -eu
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >/dev/null
for file in bin/orvane bin/orvane-cli \
    share/orvane/language/English.ini share/orvane/language/Japanese.ini \
    share/applications/org.orvane.Orvane.desktop \
    share/icons/hicolor/scalable/apps/orvane.svg \
    share/icons/hicolor/16x16/apps/orvane.png share/icons/hicolor/48x48/apps/orvane.png \
    share/icons/hicolor/256x256/apps/orvane.png; do
    if [ ! -f "$work/prefix/$file" ]; then
        echo "not installed: $file" >&2
        exit 1
    fi
done
desktop=$work/prefix/share/applications/org.orvane.Orvane.desktop
grep -qx 'Exec=orvane --data-folder' "$desktop"
grep -qx 'Icon=orvane' "$desktop"

mkdir "$work/start"
cd "$work/start"
# With no folder to scan the run refuses, in the installed English.
status=0
"$work/prefix/bin/orvane-cli" rename --database none.csv --formula %n >output.txt 2>&1 ||
    status=$?
if [ "$status" -ne 2 ] || ! grep -q 'The folder to scan does not exist' output.txt; then
    echo "installed orvane-cli did not find its language folder:" >&2
    cat output.txt >&2
    exit 1
fi
QT_QPA_PLATFORM=offscreen "$work/prefix/bin/orvane" --screenshot shot.png 2>/dev/null
test -s shot.png
# A rendering saves nothing.
test ! -e Setting.ini

# Started as the desktop entry starts it, the window's start-up directory is
# the user's data folder, created at first start; the languages are found
# there as installed. Without XDG_DATA_HOME the folder is under HOME.
XDG_DATA_HOME="$work/data" QT_QPA_PLATFORM=offscreen \
    "$work/prefix/bin/orvane" --data-folder --screenshot desktop.png 2>/dev/null
test -s desktop.png
test -d "$work/data/orvane"
mkdir "$work/home"
env -u XDG_DATA_HOME HOME="$work/home" QT_QPA_PLATFORM=offscreen \
    "$work/prefix/bin/orvane" --data-folder --screenshot home.png 2>/dev/null
test -d "$work/home/.local/share/orvane"
test ! -e Setting.ini
