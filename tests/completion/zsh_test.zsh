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

# Between two command lines the terminal is in its ordinary (cooked) mode,
# where the kernel itself acts on some keys, such as Ctrl-U, the erase of
# everything typed so far; so nothing is typed before the line editor
# shows, by the READY that it prints whenever it starts on a line, that it
# reads the keys itself. The words printed are spelled otherwise in the
# lines that set them up, which the terminal echoes.
wait_for() {
  zpty -r shell reply "*$1*" || { print -r -- "no $1 from the shell"; exit 1; }
}

# Runs a command and waits until its output shows, then until the line
# editor is back.
sync_shell() {
  zpty -w shell "print S''YNC"
  wait_for SYNC
  wait_for READY
}

# compadd records every match it is given before it adds them, and a list
# of any length is shown without asking. TAB completes and then prints
# COMPLETED, once the completion has recorded everything. Ctrl-G clears the
# line, so that even a key that met the terminal in cooked mode could not
# be taken as the kernel's kill character.
zpty shell zsh -f -i
zpty -w shell "cd $work/files; LISTMAX=100000; fpath=($dir \$fpath); bindkey '^G' kill-whole-line"
zpty -w shell "autoload -Uz compinit; compinit -u -D"
zpty -w shell "compadd() { local -a hits; builtin compadd -O hits \"\$@\"; print -rl -- \$hits >>$matches; builtin compadd \"\$@\" }"
zpty -w shell "zle-line-init() { print -n R''EADY }; zle -N zle-line-init"
zpty -w shell "complete-and-say() { zle expand-or-complete; print -n C''OMPLETED }; zle -N complete-and-say; bindkey '^I' complete-and-say"
sync_shell

# Prints the words offered at the end of the command line $1, sorted, on
# one line. The Ctrl-G that clears the line goes to the shell only once
# the completion has shown that it is over.
complete_line() {
  : >$matches
  zpty -w -n shell "$1"$'\t'
  wait_for COMPLETED
  zpty -w -n shell $'\x07'
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
