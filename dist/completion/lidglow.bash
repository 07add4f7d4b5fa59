# bash completion for lidglow(1) and lidglow-preview(1). Exactly one option
# chooses what a run does; once it is on the line, only the options that go
# with it are offered. Image and pid files for -f and -p, font files for -t,
# picture files for -o and commands for -c.
# shellcheck shell=bash

# Sets REPLY to the letters of the options that the mode $1 takes; $2 is
# "o" for lidglow-preview, whose -o goes with the modes that draw a picture.
_lidglow_takes()
{
    case $1 in
        B | b) REPLY=$2 ;;
        d | e) REPLY= ;;
        k) REPLY=p ;;
        f) REPLY=FRnrv$2 ;;
        m) REPLY=FRnrviuwIst$2 ;;
        c) REPLY=FRnrviuwIstDPp$2 ;;
    esac
}

_lidglow()
{
    # _init_completion fills all four.
    # shellcheck disable=SC2034
    local cur prev words cword
    _init_completion || return

    # The preview has nothing to show for -k.
    local output='' modes=Bbdefmck
    if [[ ${words[0]##*/} == lidglow-preview ]]; then
        output=o
        modes=Bbdefmc
    fi

    # Read the words before the cursor as getopt does: grouped letters, an
    # argument attached or in the next word, and nothing after an operand.
    local i word letter mode='' seen='' wants=''
    for ((i = 1; i < cword; i++)); do
        word=${words[i]}
        if [[ $wants ]]; then
            wants=
            continue
        fi
        [[ $word == -?* && $word != -- ]] || return
        word=${word#-}
        while [[ $word ]]; do
            letter=${word:0:1}
            word=${word:1}
            case $letter in
                h | V) return ;;
                [$modes])
                    [[ $mode ]] && return
                    mode=$letter
                    ;;
                [FRnrviuwIstDPp$output]) seen+=$letter ;;
                *) return ;;
            esac
            case $letter in
                [fmctIsPpo])
                    [[ $word ]] || wants=$letter
                    word=
                    ;;
            esac
        done
    done

    case $wants in
        f | p) _filedir ;;
        t) _filedir '@(ttf|ttc|otf)' ;;
        o) _filedir '@(pbm|png)' ;;
        c) mapfile -t COMPREPLY < <(compgen -c -- "$cur") ;;
    esac
    [[ $wants ]] && return
    [[ -z $cur || $cur == -* ]] || return

    # The options still possible: the chosen mode's, or before it the
    # modes that take every option given so far, with what they take.
    local candidates='' m
    if [[ $mode ]]; then
        _lidglow_takes "$mode" "$output"
        candidates=$REPLY
        [[ $mode == c && $seen != *D* ]] && candidates=${candidates//[Pp]/}
    else
        [[ $seen ]] || candidates=hV
        for ((i = 0; i < ${#modes}; i++)); do
            m=${modes:i:1}
            _lidglow_takes "$m" "$output"
            if [[ -z $seen ]] || [[ $REPLY && -z ${seen//[$REPLY]/} ]]; then
                candidates+=$m$REPLY
            fi
        done
    fi
    [[ $seen ]] && candidates=${candidates//[$seen]/}
    [[ $seen == *[FR]* ]] && candidates=${candidates//[FR]/}

    local options=()
    for ((i = 0; i < ${#candidates}; i++)); do
        letter=-${candidates:i:1}
        [[ " ${options[*]} " == *" $letter "* ]] || options+=("$letter")
    done
    mapfile -t COMPREPLY < <(compgen -W "${options[*]}" -- "$cur")
} &&
    complete -F _lidglow lidglow lidglow-preview
