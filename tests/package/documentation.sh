#!/bin/sh
# What documents the programs beside --help: the manual pages (no groff
# warnings), bash and zsh completion of orvane-cli, and the AppStream
# metainfo. Every command and option orvane-cli --help lists is in its manual
# and in both completions, and so is every option the manual names; every
# option orvane --help lists is in its manual. The bash completion completes
# commands, options, systems, presets, languages, check boxes and DAT files.
# Usage: documentation.sh SOURCE_DIR BUILD_DIR
set -eu
source=$1
build=$2
manual=$source/data/orvane-cli.1
bash_completion=$source/data/completions/orvane-cli.bash
zsh_completion=$source/data/completions/_orvane-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "documentation: $*" >&2
    exit 1
}

window_manual=$source/data/orvane.1
for page in "$manual" "$window_manual"; do
    warnings=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$page" 2>&1)
    [ -z "$warnings" ] || fail "groff warns about $page: $warnings"
done
zsh -n "$zsh_completion" || fail "zsh completion does not parse"
bash -n "$bash_completion" || fail "bash completion does not parse"

# The manual's source writes '-' as '\-'.
sed 's/\\-/-/g' "$manual" >"$work/manual.txt"
help_options=$("$build/bin/orvane-cli" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u)
manual_options=$(grep -oE -- '--[a-z][a-z-]*' "$work/manual.txt" | sort -u)
for word in rename list add-record import-dat undo verify $help_options $manual_options; do
    for file in "$work/manual.txt" "$bash_completion" "$zsh_completion"; do
        grep -qE -- "(^|[^a-z-])$word([^a-z-]|\$)" "$file" || fail "$word is not in $file"
    done
done
sed 's/\\-/-/g' "$window_manual" >"$work/window-manual.txt"
for option in $("$build/bin/orvane" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
    grep -qE -- "(^|[^a-z-])$option([^a-z-]|\$)" "$work/window-manual.txt" ||
        fail "$option is not in $window_manual"
done
for status in 0 1 2 3 64 130; do
    sed -n '/^\.SH EXIT STATUS/,/^\.SH SIGNALS/p' "$manual" | grep -qx "\.B $status" ||
        fail "exit status $status is not in the manual"
done

# completes WORD... : what the bash completion offers for the last word, one
# per line, sorted.
completes() {
    bash -c '. "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _orvane_cli
             printf "%s\n" "${COMPREPLY[@]}"' sh "$bash_completion" orvane-cli "$@" |
        LC_ALL=C sort
}
expect() {
    expected=$1
    shift
    got=$(completes "$@")
    [ "$got" = "$expected" ] || fail "completing '$*' gave '$got', not '$expected'"
}
mkdir -p "$work/start/preset" "$work/start/language" "$work/start/dats"
cd "$work/start"
touch preset/Mine.ini "language/Old Style.ini" games.dat more.XML notes.txt
PATH=$build/bin:$PATH
export PATH
nl='
'
expect "add-record${nl}import-dat${nl}list${nl}rename${nl}undo${nl}verify" ''
expect "add-record" a
expect "" rename ''
expect "--system" rename --sy
expect "PS1${nl}PS2${nl}PSP" rename --system P
expect "PS2" rename --system = PS2
expect "PSP" --system=PSP
expect "Mine" --preset ''
# The start-up directory's languages and those installed with the program.
expect "English${nl}Japanese${nl}Old Style" --language ''
expect "10=0${nl}10=1${nl}11=0${nl}11=1${nl}1=0${nl}1=1" --check 1
expect "0${nl}1" --dates = ''
expect "--full-width-digits" rename --full-width-d
expect "0${nl}1" --full-width-spaces = ''
expect "dats${nl}games.dat${nl}language${nl}more.XML${nl}preset" import-dat --system PS2 ''
expect "--add-priority" import-dat games.dat --add-p
expect "dats${nl}games.dat${nl}language${nl}more.XML${nl}preset" verify --dat ''

appstreamcli validate --no-net --strict "$build"/data/*.metainfo.xml >"$work/validate.txt" 2>&1 ||
    fail "appstreamcli: $(cat "$work/validate.txt")"
# The desktop entry is installed under the AppStream id, which the metainfo
# launches.
metainfo=$(ls "$build"/data/*.metainfo.xml)
id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$metainfo")
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo does not launch $id.desktop"
[ -f "$source/data/orvane.desktop" ] || fail "the metainfo launches a desktop entry we lack"
file "$source/data/screenshots/main.png" | grep -q 'PNG image data' || fail "no screenshot"
