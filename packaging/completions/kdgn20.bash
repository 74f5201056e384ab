# bash completion for kdgn20: options, their values, the style catalogue's
# names and files and folders.

# The short names of the styles the kdgn20 being completed finds.
_kdgn20_styles()
{
    "$1" --list-styles 2>/dev/null | while read -r name _; do
        [[ $name ]] && printf '%s\n' "$name"
    done
}

_kdgn20()
{
    local cur prev words cword split
    _init_completion -s || return

    case $prev in
        -o | --output | --save-settings | --settings)
            _filedir
            return
            ;;
        -s | --style)
            COMPREPLY=($(compgen -W "$(_kdgn20_styles "$1")" -- "$cur"))
            _filedir txt
            return
            ;;
        --sort)
            COMPREPLY=($(compgen -W 'none name ext size date' -- "$cur"))
            return
            ;;
        --size-units)
            COMPREPLY=($(compgen -W 'bytes kb mb human human-binary' \
                -- "$cur"))
            return
            ;;
        --image-dir)
            COMPREPLY=($(compgen -W 'embedded' -- "$cur"))
            _filedir -d
            return
            ;;
        --include | --exclude | --include-folders | --exclude-folders | \
            --min-size | --max-size | --newer | --older | --date-format | \
            --base-url | --title)
            return
            ;;
    esac

    $split && return

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '-o --output= -s --style= -r --recursive
            --per-folder --title= --base-url= --image-dir= --escape-links
            --replace-existing --include= --exclude= --include-folders=
            --exclude-folders= --min-size= --max-size= --newer= --older=
            --no-folders --folders --sort= --reverse --date-format= --utc
            --size-units= --summary --no-summary --settings= --save-settings=
            --print-settings --check --list-styles -q --quiet -v --verbose
            -h --help --version' -- "$cur"))
        [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
        return
    fi

    _filedir
} &&
    complete -F _kdgn20 kdgn20
