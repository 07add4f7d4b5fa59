# bash completion for lidglow(1): image files for -f, font files for -t,
# commands for -c, pid files for -p, and the options themselves.
# shellcheck shell=bash

_lidglow()
{
    # _init_completion fills all four.
    # shellcheck disable=SC2034
    local cur prev words cword
    _init_completion || return

    case $prev in
        -f | -p)
            _filedir
            return
            ;;
        -t)
            _filedir '@(ttf|ttc|otf)'
            return
            ;;
        -c)
            mapfile -t COMPREPLY < <(compgen -c -- "$cur")
            return
            ;;
        -m | -I | -s | -P)
            return
            ;;
    esac

    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W '-B -b -c -D -d -e -F -f -h -I -i -k
            -m -n -P -p -R -r -s -t -u -V -v -w' -- "$cur")
    fi
} &&
    complete -F _lidglow lidglow
