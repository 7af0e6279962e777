#!/bin/sh
# The Debian package a user installs: built by CPack from the build tree, it
# declares the libraries the programs link and recommends the extractors and
# the Japanese font, holds every file of the install, and the orvane-cli in it
# starts from wherever dpkg -x put it, without LD_LIBRARY_PATH.
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
deb=$work/out/orvane_${version}_amd64.deb
[ -f "$deb" ] || fail "no package $deb"

depends=$(dpkg-deb --field "$deb" Depends)
for library in libc6 libstdc++6 libarchive13 libdeflate0 libexpat1 libqt6widgets6; do
    case ", $depends," in
        *", $library ("* | *", $library,"*) ;;
        *) fail "Depends lacks $library: $depends" ;;
    esac
done
recommends=$(dpkg-deb --field "$deb" Recommends)
[ "$recommends" = "unar, 7zip, fonts-ipafont-gothic" ] || fail "Recommends: $recommends"

dpkg -x "$deb" "$work/root"
for file in bin/orvane bin/orvane-cli \
    share/orvane/language/English.ini share/orvane/language/Japanese.ini \
    share/applications/orvane.desktop \
    share/icons/hicolor/scalable/apps/orvane.svg share/icons/hicolor/256x256/apps/orvane.png \
    share/man/man1/orvane-cli.1.gz \
    share/bash-completion/completions/orvane-cli share/zsh/vendor-completions/_orvane-cli; do
    [ -f "$work/root/usr/$file" ] || fail "not in the package: /usr/$file"
done
ls "$work"/root/usr/share/metainfo/*.metainfo.xml >/dev/null || fail "no metainfo"
gzip -t "$work/root/usr/share/man/man1/orvane-cli.1.gz" || fail "manual page not gzip"

mkdir "$work/start"
cd "$work/start"
shown=$(env -u LD_LIBRARY_PATH "$work/root/usr/bin/orvane-cli" --version) ||
    fail "the packaged orvane-cli does not start"
[ "$shown" = "orvane-cli $version" ] || fail "--version says: $shown"
# It finds the languages it was packaged with.
status=0
env -u LD_LIBRARY_PATH "$work/root/usr/bin/orvane-cli" rename >output.txt 2>&1 || status=$?
[ "$status" -eq 2 ] && grep -q 'The folder to scan does not exist' output.txt ||
    fail "the packaged orvane-cli has no texts: $(cat output.txt)"
