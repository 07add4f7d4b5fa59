#!/bin/sh
# Checks what the compiler does not: the manual pages (lidglow.1 as the
# build configures it), the shell scripts, the completion files, the rc.d
# script's command line, the systemd unit (its syntax and its exposure),
# the sysusers.d file, the list of files that a staged install puts in
# place, that every include in src/ points down, and that -h, the manual
# and README.md agree.
# Needs mandoc, shellcheck, zsh and, for the install checks, systemd.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-lint"
work=$(mktemp -d "${TMPDIR:-/tmp}/lidglow-lint.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
checks=0

pass() {
    checks=$((checks + 1))
    echo "ok: $1"
}

fail() {
    checks=$((checks + 1))
    failures=$((failures + 1))
    echo "FAILED: $1"
}

# Files of the source tree, build directories and git's own left out.
source_files() {
    find "$top" \( -name .git -o -name 'build*' \) -prune -o -type f -print | sort
}

is_shell_script() {
    case $1 in
        *.sh | *.bash) return 0 ;;
    esac
    head -n 1 "$1" | grep -Eq '^#! *(/usr)?/bin/(env +)?(ba)?sh( |$)'
}

# The build configures lidglow.1 from doc/lidglow.1.in.
cmake -S "$top" -B "$build" -DLIDGLOW_TESTS=OFF >"$work/configure.log" ||
    { cat "$work/configure.log"; exit 1; }
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" >"$work/build.log" ||
    { cat "$work/build.log"; exit 1; }

# Manual pages.
for page in $(source_files | grep -E '\.[1-9]$') "$build/lidglow.1"; do
    if mandoc -Tlint -Wwarning "$page"; then
        pass "mandoc ${page#"$top"/}"
    else
        fail "mandoc ${page#"$top"/}"
    fi
done

# Shell scripts, found by name or by their first line; the rc.d script is
# one of them, and must stay one.
rc_script_checked=no
for script in $(source_files); do
    is_shell_script "$script" || continue
    [ "${script#"$top"/}" != dist/freebsd/files/lidglow.in ] || rc_script_checked=yes
    if shellcheck "$script"; then
        pass "shellcheck ${script#"$top"/}"
    else
        fail "shellcheck ${script#"$top"/}"
    fi
done
if [ "$rc_script_checked" = no ]; then
    fail "shellcheck never saw dist/freebsd/files/lidglow.in"
fi

# Rooms of src/, lowest first. A file may include its own room and the
# rooms below it; rooms on one line stand side by side and include neither
# each other nor anything above them.
rooms='base
lcm
render
decoder exec
decode daemon
cli
preview'
room_level() {
    printf '%s\n' "$rooms" | awk -v room="$1" '{ for (i = 1; i <= NF; i++) if ($i == room) print NR }'
}
upward=$(for file in $(source_files | grep -E '^'"$top"'/src/[^/]+/[^/]+\.(cc|h)$'); do
    relative=${file#"$top"/src/}
    room=${relative%%/*}
    level=$(room_level "$room")
    sed -n 's/^#include "\([^/"]*\)\/.*/\1/p' "$file" | sort -u | while read -r included; do
        # Only src/'s own rooms count; the tests' helpers are not one.
        [ "$included" = "$room" ] || [ ! -d "$top/src/$included" ] && continue
        other=$(room_level "$included")
        if [ -z "$level" ] || [ -z "$other" ] || [ "$other" -ge "$level" ]; then
            echo "src/$relative includes $included/"
        fi
    done
done)
if [ -z "$upward" ]; then
    pass "every include in src/ points down"
else
    printf '%s\n' "$upward"
    fail "includes in src/ that point up or sideways"
fi

if zsh -n "$top/dist/completion/_lidglow"; then
    pass "zsh -n dist/completion/_lidglow"
else
    fail "zsh -n dist/completion/_lidglow"
fi

# The rc.d script starts lidglow itself, as lidglow_user, and must hand any
# command over as one argument. A stand-in for rc.subr runs the script's
# start, with printf in place of lidglow, of chroot(8) and of install(1).
cat >"$work/rc.subr" <<'EOF'
load_rc_config() { :; }
run_rc_command() { $start_precmd && $start_cmd; }
install() { printf '[install %s]\n' "$*"; }
chroot_stand_in() { printf '[chroot %s %s %s %s %s %s %s]' "$1" "$2" "$3" "$4" "$5" "$6" "$7"; shift 7; "$@"; }
EOF
sed -e "s|/etc/rc.subr|$work/rc.subr|" -e "s|%%PREFIX%%/bin/lidglow|printf '<%s>'|" \
    -e "s|/usr/sbin/chroot|chroot_stand_in|" "$top/dist/freebsd/files/lidglow.in" >"$work/rc.d-lidglow"
while IFS='|' read -r command flags user group expected; do
    got=$(lidglow_command=$command rc_flags=$flags lidglow_user=$user lidglow_group=$group \
        sh "$work/rc.d-lidglow" start)
    user=${user:-lidglow} group=${group:-lidglow}
    want="[install -d -o $user -g $group -m 0755 /var/run/lidglow]
Starting lidglow.
[chroot -u $user -g $group -G $group /]$expected"
    if [ "$got" = "$want" ]; then
        pass "rc.d script passes on: $command"
    else
        fail "rc.d script passes on: $command: got $got, want $want"
    fi
done <<'EOF'
date +%H:%M||||<-c><date +%H:%M><-D><-p></var/run/lidglow/lidglow.pid>
echo 'it''s' "$HOME" `id` \||||<-c><echo 'it''s' "$HOME" `id` \><-D><-p></var/run/lidglow/lidglow.pid>
uptime|-P 30 -t /f.ttf|me|staff|<-P><30><-t></f.ttf><-c><uptime><-D><-p></var/run/lidglow/lidglow.pid>
EOF

# The examples are installed anywhere, so their comments name no prefix.
if grep -n /usr/local "$top"/examples/*; then
    fail "examples name no installation directory"
else
    pass "examples name no installation directory"
fi

# CI runs the test command that README.md gives.
readme_test=$(sed -n 's/^\(sh tools\/install-deps\.sh --tests && .*\)/\1/p' "$top/README.md")
if [ -n "$readme_test" ] && grep -qF "$readme_test" "$top/.ci/run"; then
    pass "README.md's test command is the one CI runs"
else
    fail "README.md's test command is the one CI runs: '$readme_test' not in .ci/run"
fi

# -h, the manual page and README.md must show the same usage lines and
# describe the same options.
"$build/lidglow" -h >"$work/usage"
sed -n '1,5{s/^Usage://;s/^[[:space:]]*//;p;}' "$work/usage" >"$work/usage.h"
backspace=$(printf '\b')
mandoc -Tascii "$build/lidglow.1" | sed "s/.$backspace//g" | sed -n '/^SYNOPSIS/,/^DESCRIPTION/p' |
    sed -n 's/^ *\(lidglow.*\)/\1/p' | sed 's/ | /|/g' >"$work/usage.man"
sed -n '/^## Options/,/^| option/p' "$top/README.md" |
    sed -n 's/^\(Usage:\)\{0,1\}[[:space:]]*\(lidglow .*\)/\2/p' >"$work/usage.readme"
grep -oE '^[[:space:]]-[A-Za-z]' "$work/usage" | tr -d '[:space:]' | fold -w 2 | sort >"$work/options.h"
sed -n 's/^\.It Fl \([A-Za-z]\).*/-\1/p' "$build/lidglow.1" | sort >"$work/options.man"
sed -n 's/^| \(`-[^|]*\)|.*/\1/p' "$top/README.md" | grep -oE -- '-[A-Za-z]' | sort >"$work/options.readme"
for what in usage options; do
    for doc in man readme; do
        if [ -s "$work/$what.h" ] && diff -u "$work/$what.h" "$work/$what.$doc"; then
            pass "$what of -h and of the $doc agree"
        else
            fail "$what of -h and of the $doc differ (- -h, + $doc)"
        fi
    done
done

# Where the build puts the Linux files: the pkg-config modules' directories,
# or under the prefix without them.
unit_dir=$(pkg-config --variable=systemdsystemunitdir systemd 2>/dev/null || true)
[ -n "$unit_dir" ] || unit_dir=/usr/local/lib/systemd/system
udev_dir=$(pkg-config --variable=udevdir udev 2>/dev/null || true)
rules_dir=/usr/local/lib/udev/rules.d
[ -z "$udev_dir" ] || rules_dir=$udev_dir/rules.d
sysusers_dir=$(pkg-config --variable=sysusersdir systemd 2>/dev/null || true)
[ -n "$sysusers_dir" ] || sysusers_dir=/usr/local/lib/sysusers.d
always="/usr/local/bin/lidglow
/usr/local/bin/lidglow-preview
/usr/local/libexec/lidglow/lidglow-decode
/usr/local/share/bash-completion/completions/lidglow
/usr/local/share/bash-completion/completions/lidglow-preview
/usr/local/share/man/man1/lidglow.1
/usr/local/share/man/man1/lidglow-preview.1
/usr/local/share/zsh/site-functions/_lidglow"
# Only this platform's examples, without the platform in their names.
documentation="/usr/local/share/doc/lidglow/LICENSE
/usr/local/share/doc/lidglow/examples/battery.sh
/usr/local/share/doc/lidglow/examples/clock.sh
/usr/local/share/doc/lidglow/examples/load.sh
/usr/local/share/doc/lidglow/examples/now-playing.sh"

staged_install() {
    name=$1
    shift
    rm -rf "${work:?}/$name"
    cmake -S "$top" -B "$build" -DLIDGLOW_TESTS=OFF \
        -DLIDGLOW_INSTALL_RC_SCRIPT=OFF -DLIDGLOW_INSTALL_DEVD_RULE=OFF \
        -DLIDGLOW_INSTALL_SYSTEMD_UNIT=ON -DLIDGLOW_INSTALL_UDEV_RULE=ON \
        -DLIDGLOW_INSTALL_EXAMPLES=ON -DLIDGLOW_INSTALL_LICENSE=ON \
        -DLIDGLOW_EXAMPLES_DIR=share/doc/lidglow/examples "$@" >"$work/configure.log"
    DESTDIR="$work/$name" cmake --install "$build" >/dev/null
}

expect_files() {
    name=$1
    expected=$2
    (cd "$work/$name" && find . ! -type d | sed 's|^\.||' | sort) >"$work/$name.got"
    printf '%s\n' "$expected" | sort >"$work/$name.want"
    if diff -u "$work/$name.want" "$work/$name.got"; then
        pass "staged install, $name: exactly the expected files"
    else
        fail "staged install, $name: files differ (- expected, + installed)"
    fi
}

staged_install linux
expect_files linux "$always
$documentation
$unit_dir/lidglow.service
$rules_dir/70-lidglow.rules
$sysusers_dir/lidglow.conf"

# The installed manual names the build's default font, the examples'
# directory and the decoder.
font=$(sed -n 's/^-- Default font: \([^ ]*\).*/\1/p' "$work/configure.log")
page="$work/linux/usr/local/share/man/man1/lidglow.1"
if [ -n "$font" ] && grep -qxF ".It Pa $font" "$page" &&
    grep -qxF ".It Pa /usr/local/share/doc/lidglow/examples/" "$page" &&
    grep -qxF ".It Pa /usr/local/libexec/lidglow/lidglow-decode" "$page"; then
    pass "installed manual names the default font $font, the examples' directory and the decoder"
else
    fail "installed manual names the default font ${font:-(none in the configure log)}, the examples' directory and the decoder"
fi

staged_install freebsd-files -DLIDGLOW_INSTALL_SYSTEMD_UNIT=OFF -DLIDGLOW_INSTALL_UDEV_RULE=OFF \
    -DLIDGLOW_INSTALL_EXAMPLES=OFF -DLIDGLOW_INSTALL_LICENSE=OFF \
    -DLIDGLOW_INSTALL_RC_SCRIPT=ON -DLIDGLOW_INSTALL_DEVD_RULE=ON
expect_files freebsd-files "$always
/usr/local/etc/devd/lidglow.conf
/usr/local/etc/rc.d/lidglow"
rc_script="$work/freebsd-files/usr/local/etc/rc.d/lidglow"
if [ -x "$rc_script" ] && grep -qx 'command="/usr/local/bin/lidglow"' "$rc_script"; then
    pass "installed rc.d script is executable and runs /usr/local/bin/lidglow"
else
    fail "installed rc.d script is executable and runs /usr/local/bin/lidglow"
fi

# The port's pkg-plist must name what the build installs with the port's
# switches; the framework compresses manual pages and adds the rc.d script
# and the licence.
staged_install port -DLIDGLOW_INSTALL_SYSTEMD_UNIT=OFF -DLIDGLOW_INSTALL_UDEV_RULE=OFF \
    -DLIDGLOW_INSTALL_DEVD_RULE=ON -DLIDGLOW_INSTALL_LICENSE=OFF \
    -DLIDGLOW_EXAMPLES_DIR=share/examples/lidglow
expect_files port "$(sed -e 's|%%PORTEXAMPLES%%||' -e 's|%%EXAMPLESDIR%%|share/examples/lidglow|' \
    -e 's|\.gz$||' -e 's|^|/usr/local/|' "$top/dist/freebsd/pkg-plist")"

# systemd-analyze verify checks the unit against a root that holds the
# staged install, the system's own units (for the default dependencies)
# and kill(1); it reports problems without failing, so any output fails.
# The manual page is among the staged files, so man(1) need not look.
root="$work/verify-root"
cp -a "$work/linux" "$root"
mkdir -p "$root$unit_dir" "$root/bin"
cp -an /lib/systemd/system/. "$root$unit_dir/"
cp /bin/kill "$root/bin/kill"
if systemd-analyze verify --man=no --root="$root" lidglow.service \
    >"$work/verify.log" 2>&1 && [ ! -s "$work/verify.log" ]; then
    pass "systemd-analyze verify lidglow.service"
else
    cat "$work/verify.log"
    fail "systemd-analyze verify lidglow.service"
fi

# The unit's exposure as systemd-analyze rates it offline, on the staged
# install: at most 2.0 (its threshold counts in tenths).
if systemd-analyze security --offline=true --threshold=20 --root="$root" lidglow.service \
    >"$work/security.log" 2>&1; then
    score=$(sed -n 's/.*Overall exposure level for lidglow.service: \([0-9.]*\).*/\1/p' "$work/security.log")
    pass "systemd-analyze security lidglow.service: exposure $score, at most 2.0"
else
    cat "$work/security.log"
    fail "systemd-analyze security lidglow.service: exposure above 2.0"
fi

# systemd-sysusers reports a bad line without failing, so anything but the
# creation of the user and group lidglow and the files it would write fails.
if systemd-sysusers --help | grep -q -- --dry-run; then
    systemd-sysusers --dry-run --root="$work/linux" >"$work/sysusers.log" 2>&1 || true
    if grep -q "^Creating group 'lidglow' with GID [0-9]*\.$" "$work/sysusers.log" &&
        grep -q "^Creating user 'lidglow' (.*) with UID [0-9]* and GID [0-9]*\.$" "$work/sysusers.log" &&
        ! grep -Ev "^(Creating (user|group) 'lidglow' |Would write /etc/)" "$work/sysusers.log"; then
        pass "systemd-sysusers --dry-run creates the user and group lidglow"
    else
        cat "$work/sysusers.log"
        fail "systemd-sysusers --dry-run creates the user and group lidglow"
    fi
else
    echo "skipped: this systemd-sysusers has no --dry-run"
fi

echo "lint: $((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
