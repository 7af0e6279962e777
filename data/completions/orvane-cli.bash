# bash completion for orvane-cli: commands, options, systems, presets and
# languages (the .ini files of preset/ and language/ in the current directory,
# which orvane-cli takes as its start-up directory, and the languages
# installed with the program).

_orvane_cli_ini_names() {
    local folder file
    for folder in "$@"; do
        for file in "$folder"/*.ini; do
            [ -f "$file" ] || continue
            file=${file##*/}
            printf '%s\n' "${file%.ini}"
        done
    done
}

# COMPREPLY from the lines a command prints (names may hold blanks).
_orvane_cli_reply() {
    local line
    COMPREPLY=()
    while IFS= read -r line; do COMPREPLY+=("$line"); done < <("$@")
}

# The words of a list of lines that begin with the current word.
_orvane_cli_matching() {
    IFS=$'\n' compgen -W "$1" -- "$2"
}

_orvane_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local commands='rename list add-record import-dat undo verify'
    local options='--folder --formula --database --add-file --list-format --system
        --preset --language --check --subfolders --rename-folders --checksum
        --add-priority --search-archives --full-width-special --full-width-digits
        --full-width-letters --full-width-spaces --full-width-punctuation --dates
        --batch --save --dry-run --json --run --dat --report
        --verified-only --quiet --verbose --help --version
        -n -q -v -h'
    local switches=' --subfolders --rename-folders --checksum --add-priority
        --search-archives --full-width-special --full-width-digits --full-width-letters
        --full-width-spaces --full-width-punctuation --dates --batch '
    COMPREPLY=()

    # "--system=P" arrives as three words when '=' breaks words (as it does
    # by default), as one when it does not.
    local option=
    if [ "$cur" = "=" ]; then
        option=$prev
        cur=
    elif [ "$prev" = "=" ] && [ "$COMP_CWORD" -ge 2 ]; then
        option=${COMP_WORDS[COMP_CWORD - 2]}
    elif [[ $cur == --*=* ]]; then
        option=${cur%%=*}
        cur=${cur#*=}
    else
        case $prev in
            --folder | --formula | --database | --add-file | --list-format | --system | \
                --preset | --language | --check | --run | --dat | --report) option=$prev ;;
        esac
    fi

    if [ -n "$option" ]; then
        case $option in
            --folder)
                _orvane_cli_reply compgen -d -- "$cur"
                compopt -o filenames 2>/dev/null
                ;;
            --database | --add-file | --report)
                _orvane_cli_reply compgen -f -- "$cur"
                compopt -o filenames 2>/dev/null
                ;;
            --dat)
                _orvane_cli_reply eval 'compgen -d -- "$cur"
                    compgen -f -X "!*.[dD][aA][tT]" -- "$cur"
                    compgen -f -X "!*.[xX][mM][lL]" -- "$cur"'
                compopt -o filenames 2>/dev/null
                ;;
            --system) _orvane_cli_reply compgen -W 'PS1 PS2 PSP' -- "$cur" ;;
            --preset)
                _orvane_cli_reply _orvane_cli_matching "$(_orvane_cli_ini_names preset)" "$cur"
                ;;
            --language)
                local program installed=
                program=$(command -v orvane-cli 2>/dev/null) &&
                    installed=${program%/*}/../share/orvane/language
                _orvane_cli_reply _orvane_cli_matching \
                    "$(_orvane_cli_ini_names language ${installed:+"$installed"} | sort -u)" "$cur"
                ;;
            --check)
                local n states=
                for n in 0 1 2 3 4 5 6 7 8 9 10 11; do states+="$n=0 $n=1 "; done
                _orvane_cli_reply compgen -W "$states" -- "$cur"
                ;;
            *)
                if [[ $switches == *[[:space:]]$option[[:space:]]* ]]; then
                    _orvane_cli_reply compgen -W '0 1' -- "$cur"
                fi
                ;;
        esac
        return 0
    fi

    if [[ $cur == -* ]]; then
        _orvane_cli_reply compgen -W "$options" -- "$cur"
        return 0
    fi
    local word
    for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
        if [ "$word" = import-dat ]; then
            # The DAT files, and the folders on the way to them.
            _orvane_cli_reply eval 'compgen -d -- "$cur"
                compgen -f -X "!*.[dD][aA][tT]" -- "$cur"
                compgen -f -X "!*.[xX][mM][lL]" -- "$cur"'
            compopt -o filenames 2>/dev/null
            return 0
        fi
        case " $commands " in *" $word "*) return 0 ;; esac
    done
    _orvane_cli_reply compgen -W "$commands" -- "$cur"
}
complete -F _orvane_cli orvane-cli
