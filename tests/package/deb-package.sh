#!/bin/sh
# The Debian packages a user installs, built by CPack from the build tree:
# orvane-cli (the terminal program and the languages, without Qt) and orvane
# (the window, needing orvane-cli of its version). lintian finds nothing to
# warn about; each declares the libraries its program links and recommends
# what it can use; the AppStream id names the desktop entry and the changelog
# the version. dpkg refuses the window alone and installs both into a scratch
# root, where both programs start without LD_LIBRARY_PATH.
# Usage: deb-package.sh BUILD_DIR VERSION
set -eu
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "deb-package: $*" >&2
    exit 1
}

if ! (cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1); then
    cat "$work/cpack.log" >&2
    fail "cpack failed"
fi
cli=$work/out/orvane-cli_${version}_amd64.deb
window=$work/out/orvane_${version}_amd64.deb
[ -f "$cli" ] || fail "no package $cli"
[ -f "$window" ] || fail "no package $window"

if ! lintian --no-cfg --fail-on error,warning "$cli" "$window" >"$work/lintian.txt" 2>&1; then
    fail "lintian: $(grep -v 'root privileges' "$work/lintian.txt")"
fi

# has_all FIELD_TEXT ENTRY...: each entry is one of the comma-separated
# relations, with or without a version.
has_all() {
    text=$1
    shift
    for entry in "$@"; do
        case ", $text," in
            *", $entry ("* | *", $entry,"*) ;;
            *) fail "lacks $entry: $text" ;;
        esac
    done
}
cli_depends=$(dpkg-deb --field "$cli" Depends)
has_all "$cli_depends" libc6 libstdc++6 libarchive13 libdeflate0 libexpat1
case "$cli_depends" in *qt*) fail "orvane-cli depends on Qt: $cli_depends" ;; esac
window_depends=$(dpkg-deb --field "$window" Depends)
has_all "$window_depends" "orvane-cli (= $version)" libqt6widgets6 libc6
[ "$(dpkg-deb --field "$cli" Recommends)" = "unar, 7zip" ] ||
    fail "orvane-cli recommends: $(dpkg-deb --field "$cli" Recommends)"
[ "$(dpkg-deb --field "$window" Recommends)" = "fonts-ipafont-gothic" ] ||
    fail "orvane recommends: $(dpkg-deb --field "$window" Recommends)"

# contains DEB FILE...: the package holds each file under /usr.
contains() {
    deb=$1
    shift
    dpkg-deb --contents "$deb" | awk '{ print $NF }' >"$work/contents.txt"
    for file in "$@"; do
        grep -qx "\./usr/$file" "$work/contents.txt" || fail "not in $(basename "$deb"): /usr/$file"
    done
}
contains "$cli" bin/orvane-cli \
    share/orvane/language/English.ini share/orvane/language/Japanese.ini \
    share/man/man1/orvane-cli.1.gz \
    share/bash-completion/completions/orvane-cli share/zsh/vendor-completions/_orvane-cli \
    share/doc/orvane-cli/copyright share/doc/orvane-cli/changelog.gz
contains "$window" bin/orvane share/man/man1/orvane.1.gz \
    share/icons/hicolor/scalable/apps/orvane.svg share/icons/hicolor/256x256/apps/orvane.png \
    share/doc/orvane/copyright share/doc/orvane/changelog.gz
dpkg-deb --contents "$cli" | grep -q 'bin/orvane$' && fail "orvane-cli holds the window"

mkdir "$work/window"
dpkg-deb -x "$window" "$work/window"
metainfo=$(ls "$work"/window/usr/share/metainfo/*.metainfo.xml) || fail "no metainfo"
id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$metainfo")
[ "$metainfo" = "$work/window/usr/share/metainfo/$id.metainfo.xml" ] || fail "metainfo named $metainfo"
[ -f "$work/window/usr/share/applications/$id.desktop" ] || fail "no desktop entry $id.desktop"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo launches another desktop entry than $id.desktop"
gzip -dc "$work/window/usr/share/doc/orvane/changelog.gz" >"$work/changelog"
[ "$(dpkg-parsechangelog -l "$work/changelog" -S Version)" = "$version" ] ||
    fail "the changelog's last version is not $version"

# A scratch root whose dpkg database knows the packages the two depend on,
# as this system has them, so that their relations are checked for real.
root=$work/root
mkdir -p "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/info"
: >"$root/var/lib/dpkg/available"
for package in $(printf '%s,%s' "$cli_depends" "$window_depends" | tr ',|' '\n\n' |
    sed 's/(.*//; s/ //g' | grep -v '^orvane' | sort -u); do
    dpkg-query --status "$package" >>"$root/var/lib/dpkg/status" ||
        fail "this system lacks $package"
    echo >>"$root/var/lib/dpkg/status"
done
scratch_dpkg() {
    dpkg --root="$root" --force-not-root --log=/dev/null "$@" >>"$work/dpkg.txt" 2>&1
}
scratch_status() {
    dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${Status}' "$1" 2>/dev/null || true
}
# The window alone is unpacked but not set up: orvane-cli is missing.
if scratch_dpkg -i "$window"; then fail "dpkg installs the window without orvane-cli"; fi
grep -q 'orvane depends on orvane-cli' "$work/dpkg.txt" || fail "dpkg: $(cat "$work/dpkg.txt")"
[ "$(scratch_status orvane)" = "install ok unpacked" ] || fail "orvane: $(scratch_status orvane)"
scratch_dpkg -i "$cli" "$window" || fail "dpkg: $(cat "$work/dpkg.txt")"
for package in orvane-cli orvane; do
    [ "$(scratch_status $package)" = "install ok installed" ] ||
        fail "$package: $(scratch_status $package)"
done

mkdir "$work/start"
cd "$work/start"
shown=$(env -u LD_LIBRARY_PATH "$root/usr/bin/orvane-cli" --version) ||
    fail "the installed orvane-cli does not start"
[ "$shown" = "orvane-cli $version" ] || fail "orvane-cli --version says: $shown"
# It finds the languages it was installed with.
status=0
env -u LD_LIBRARY_PATH "$root/usr/bin/orvane-cli" rename --database none.csv --formula %n \
    >output.txt 2>&1 || status=$?
[ "$status" -eq 2 ] && grep -q 'The folder to scan does not exist' output.txt ||
    fail "the installed orvane-cli has no texts: $(cat output.txt)"
shown=$(env -u LD_LIBRARY_PATH "$root/usr/bin/orvane" --version) ||
    fail "the installed orvane does not start"
[ "$shown" = "orvane $version" ] || fail "orvane --version says: $shown"
env -u LD_LIBRARY_PATH QT_QPA_PLATFORM=offscreen "$root/usr/bin/orvane" --screenshot shot.png \
    2>/dev/null || fail "the installed window does not open"
file shot.png | grep -q 'PNG image data' || fail "the installed window rendered no PNG"
