#!/usr/bin/env zsh
# Usage: zsh_test.zsh COMPLETION_DIR
#
# Completes command lines with the zsh completion of lidglow and
# lidglow-preview in an interactive zsh on a pseudo-terminal, records the
# words that the completion offers, and compares them with the expected
# ones.
emulate -L zsh
zmodload zsh/zpty || exit 1
dir=${1:A}

work=$(mktemp -d "${TMPDIR:-/tmp}/lidglow-completion.XXXXXX") || exit 1
trap 'zpty -d shell 2>/dev/null; rm -rf $work' EXIT
mkdir -p $work/files/fonts
touch $work/files/{a.ttf,b.png,c.TTC,d.pbm,e.txt}
matches=$work/matches

# Waits for the line that the shell prints once it has read everything sent
# so far; the line sent spells it otherwise.
sync_shell() {
  zpty -w shell "print S''YNC"
  zpty -r shell reply '*SYNC*' || exit 1
}

# compadd records every match it is given before it adds them, and a list
# of any length is shown without asking. Ctrl-G clears the line: a line
# sent while the shell still runs the previous command meets the terminal
# in cooked mode, whose line discipline would itself act on Ctrl-U (its
# kill character) and erase the line before the shell read it.
zpty shell zsh -f -i
zpty -w shell "cd $work/files; LISTMAX=100000; fpath=($dir \$fpath); bindkey '^G' kill-whole-line"
zpty -w shell "autoload -Uz compinit; compinit -u -D"
zpty -w shell "compadd() { local -a hits; builtin compadd -O hits \"\$@\"; print -rl -- \$hits >>$matches; builtin compadd \"\$@\" }"
sync_shell

# Prints the words offered at the end of the command line $1, sorted, on
# one line. Ctrl-G clears the line after the completion.
complete_line() {
  : >$matches
  zpty -w -n shell "$1"$'\t\x07'
  sync_shell
  print -r -- ${(j: :)${(ouf)"$(<$matches)"}}
}

integer passed failed
# command line | the words offered
while IFS='|' read -r line expected; do
  [[ -n $line ]] || continue
  got=$(complete_line "$line")
  if [[ $got == $expected ]]; then
    (( ++passed ))
  else
    (( ++failed ))
    print -r -- "FAILED: '$line': got '$got', want '$expected'"
  fi
done <<'EOF'
lidglow -|-B -D -F -I -P -R -V -b -c -d -e -f -h -i -k -m -n -p -r -s -t -u -v -w
lidglow -e -|
lidglow -k -|-p
lidglow -f x -|-F -R -n -r -v
lidglow -f x -R -n -|-r -v
lidglow -m hi -|-F -I -R -i -n -r -s -t -u -v -w
lidglow -c date -|-D -F -I -R -i -n -r -s -t -u -v -w
lidglow -c date -D -|-F -I -P -R -i -n -p -r -s -t -u -v -w
lidglow -nF -|-D -I -P -c -f -i -m -p -r -s -t -u -v -w
lidglow -i -|-D -F -I -P -R -c -m -n -p -r -s -t -u -v -w
lidglow -p f -|-D -F -I -P -R -c -i -k -n -r -s -t -u -v -w
lidglow -h -|
lidglow -t |a.ttf c.TTC fonts
lidglow -f |a.ttf b.png c.TTC d.pbm e.txt fonts
lidglow-preview -|-B -D -F -I -P -R -V -b -c -d -e -f -h -i -m -n -o -p -r -s -t -u -v -w
lidglow-preview -b -|-o
lidglow-preview -k -|
lidglow-preview -f x -|-F -R -n -o -r -v
lidglow-preview -o |b.png d.pbm fonts
EOF

print "$passed passed, $failed failed"
(( failed == 0 ))
