#!/bin/bash
# Usage: bash_test.sh BASH_COMPLETION COMPLETION_FILE
#
# Completes command lines with the bash completion of lidglow and
# lidglow-preview, as bash-completion (whose main script is BASH_COMPLETION)
# runs it, and compares the words offered with the expected ones.
set -u
main=$(realpath "$1")
completion=$(realpath "$2")

work=$(mktemp -d "${TMPDIR:-/tmp}/lidglow-completion.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/fonts" "$work/bin"
touch "$work/a.ttf" "$work/b.png" "$work/c.TTC" "$work/d.pbm" "$work/e.txt"
printf '#!/bin/sh\n' >"$work/bin/zzlidglowcmd"
chmod +x "$work/bin/zzlidglowcmd"
cd "$work" || exit 1
PATH=$work/bin:$PATH

# shellcheck source=/dev/null
. "$main" || exit 1
# shellcheck source=/dev/null
. "$completion" || exit 1

# Prints the words offered at the end of the command line $1, sorted, on
# one line.
complete_line()
{
    local line=$1
    COMP_LINE=$line
    COMP_POINT=${#line}
    read -ra COMP_WORDS <<<"$line"
    [[ $line == *' ' ]] && COMP_WORDS+=('')
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _lidglow "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | tr '\n' ' ' | sed 's/ *$//'
}

passed=0
failed=0
# command line | the words offered
while IFS='|' read -r line expected; do
    [[ $line ]] || continue
    got=$(complete_line "$line")
    if [[ $got == "$expected" ]]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: '$line': got '$got', want '$expected'"
    fi
done <<'EOF'
lidglow |-B -D -F -I -P -R -V -b -c -d -e -f -h -i -k -m -n -p -r -s -t -u -v -w
lidglow -|-B -D -F -I -P -R -V -b -c -d -e -f -h -i -k -m -n -p -r -s -t -u -v -w
lidglow -e |
lidglow -b -|
lidglow -k |-p
lidglow -k -p f |
lidglow -f x |-F -R -n -r -v
lidglow -f x -R -n |-r -v
lidglow -m hi |-F -I -R -i -n -r -s -t -u -v -w
lidglow -mhi -w |-F -I -R -i -n -r -s -t -u -v
lidglow -c date |-D -F -I -R -i -n -r -s -t -u -v -w
lidglow -c date -D |-F -I -P -R -i -n -p -r -s -t -u -v -w
lidglow -nF |-D -I -P -c -f -i -m -p -r -s -t -u -v -w
lidglow -i -|-D -F -I -P -R -c -m -n -p -r -s -t -u -v -w
lidglow -p f |-D -F -I -P -R -c -i -k -n -r -s -t -u -v -w
lidglow -P 5 -f|
lidglow -e -d |
lidglow -h |
lidglow x |
lidglow -- |
lidglow -m -|
lidglow -s |
lidglow -t |a.ttf bin c.TTC fonts
lidglow -R -t |a.ttf bin c.TTC fonts
lidglow -f |a.ttf b.png bin c.TTC d.pbm e.txt fonts
lidglow -c zzlidglow|zzlidglowcmd
lidglow-preview |-B -D -F -I -P -R -V -b -c -d -e -f -h -i -m -n -o -p -r -s -t -u -v -w
lidglow-preview -b |-o
lidglow-preview -e |
lidglow-preview -k |
lidglow-preview -o x.png |-B -D -F -I -P -R -b -c -f -i -m -n -p -r -s -t -u -v -w
lidglow-preview -f x |-F -R -n -o -r -v
lidglow-preview -o |b.png bin d.pbm fonts
/usr/bin/lidglow-preview -m hi -o f.pbm -s 8 |-F -I -R -i -n -r -t -u -v -w
EOF

echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
