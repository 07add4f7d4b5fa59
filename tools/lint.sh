#!/bin/sh
# Checks what the compiler does not: the manual pages (lidglow.1 as the
# build configures it), the shell scripts, the completion files, the rc.d
# script's command line, the systemd unit (its syntax and its exposure),
# the sysusers.d file, the AppStream metadata, the list of files that a
# staged install puts in place and where (with the prefixes /usr and
# /usr/local), that every include in src/ points down, that only base/
# reads the clock, sleeps and spawns, and that -h, the manual and README.md
# agree.
# Needs mandoc, shellcheck, zsh, appstreamcli and, for the install checks,
# systemd.
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

# The clock, sleeps and posix_spawn belong to base/ (see HACKING.md).
outside_base=$(source_files | grep -E '^'"$top"'/src/.*\.(cc|h)$' | grep -v -e "^$top/src/base/" -e '_test\.cc$' |
    xargs grep -nE '\b(clock_gettime|nanosleep|usleep|ppoll|posix_spawnp?)\(|std::chrono' || true)
if [ -z "$outside_base" ]; then
    pass "only base/ reads the clock, sleeps and spawns"
else
    printf '%s\n' "$outside_base"
    fail "the clock, a sleep or posix_spawn outside base/"
fi

if zsh -n "$top/dist/completion/_lidglow"; then
    pass "zsh -n dist/completion/_lidglow"
else
    fail "zsh -n dist/completion/_lidglow"
fi

# The rc.d script leaves the start to rc.subr, which checks for a running
# daemon and applies the service's limits, login class, nice and
# environment, and it must hand any command over as one argument. A
# stand-in for rc.subr builds the start line as rc.subr does for a service
# with a ${name}_chroot and evaluates it once, with printf in place of
# lidglow and stand-ins for limits(1), nice(1), env(1), chroot(8) and
# install(1).
rc_in="$top/dist/freebsd/files/lidglow.in"
if grep -qx "desc=\".*\"" "$rc_in" && grep -qxF "rcvar=\"\${name}_enable\"" "$rc_in" &&
    ! grep -q '^start_cmd=' "$rc_in"; then
    pass "rc.d script has desc and rcvar=\"\${name}_enable\", and no start_cmd of its own"
else
    fail "rc.d script has desc and rcvar=\"\${name}_enable\", and no start_cmd of its own"
fi
cat >"$work/rc.subr" <<'EOF'
load_rc_config() { :; }
run_rc_command() {
    eval "rc_flags=\$${name}_flags _chroot=\$${name}_chroot _user=\$${name}_user \
        _group=\$${name}_group _groups=\$${name}_groups _nice=\$${name}_nice _env=\$${name}_env \
        _login_class=\${${name}_login_class:-daemon} _limits=\$${name}_limits"
    [ -n "$_chroot" ] || { echo "no ${name}_chroot: rc.subr would start it through su"; return 1; }
    $start_precmd || return 1
    echo "Starting ${name}."
    _doit="${_nice:+nice -n $_nice }${_env:+env $_env }chroot ${_user:+-u $_user }${_group:+-g $_group }${_groups:+-G $_groups }$_chroot $command $rc_flags $command_args"
    eval "limits -C $_login_class $_limits $_doit"
}
install() { printf '[install %s]\n' "$*"; }
limits() {
    printf '[limits'
    while [ "${1#-}" != "$1" ]; do
        case $1 in
            -C) printf ' %s %s' "$1" "$2"; shift 2 ;;
            *) printf ' %s' "$1"; shift ;;
        esac
    done
    printf ']'
    "$@"
}
nice() { printf '[nice %s %s]' "$1" "$2"; shift 2; "$@"; }
env() { printf '[env %s]' "$1"; shift; "$@"; }
chroot() { printf '[chroot'; while [ "$1" != / ]; do printf ' %s' "$1"; shift; done; printf ' /]'; shift; "$@"; }
EOF
sed -e "s|/etc/rc.subr|$work/rc.subr|" -e "s|%%PREFIX%%/bin/lidglow|printf '<%s>'|" "$rc_in" >"$work/rc.d-lidglow"
while IFS='|' read -r command flags user group settings expected; do
    # shellcheck disable=SC2086 # the settings are words of their own
    got=$(env -i PATH="$PATH" lidglow_command="$command" lidglow_flags="$flags" lidglow_user="$user" \
        lidglow_group="$group" $settings sh "$work/rc.d-lidglow" start) || true
    user=${user:-lidglow} group=${group:-lidglow}
    want="[install -d -o $user -g $group -m 0755 /var/run/lidglow]
Starting lidglow.
$expected"
    if [ "$got" = "$want" ]; then
        pass "rc.d script passes on: $command ${settings:+($settings)}"
    else
        fail "rc.d script passes on: $command: got $got, want $want"
    fi
done <<'EOF'
date +%H:%M|||||[limits -C daemon][chroot -u lidglow -g lidglow -G lidglow /]<-c><date +%H:%M><-D><-p></var/run/lidglow/lidglow.pid>
echo 'it''s' "$HOME" `id` \|||||[limits -C daemon][chroot -u lidglow -g lidglow -G lidglow /]<-c><echo 'it''s' "$HOME" `id` \><-D><-p></var/run/lidglow/lidglow.pid>
uptime|-P 30 -t /f.ttf|me|staff||[limits -C daemon][chroot -u me -g staff -G staff /]<-P><30><-t></f.ttf><-c><uptime><-D><-p></var/run/lidglow/lidglow.pid>
uptime|||staff|lidglow_groups=staff,video lidglow_pidfile=/var/run/lidglow/x.pid|[limits -C daemon][chroot -u lidglow -g staff -G staff,video /]<-c><uptime><-D><-p></var/run/lidglow/x.pid>
uptime||||lidglow_nice=5 lidglow_env=TZ=UTC lidglow_login_class=lid lidglow_limits=-m1g|[limits -C lid -m1g][nice -n 5][env TZ=UTC][chroot -u lidglow -g lidglow -G lidglow /]<-c><uptime><-D><-p></var/run/lidglow/lidglow.pid>
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

# Under a prefix of its own the build puts everything beneath it: systemd,
# udev, systemd-sysusers and zsh look under /usr/local too. With the prefix
# /usr the Linux files go where the distribution keeps its own: the
# directories that pkg-config's systemd and udev modules name, and zsh's
# vendor-completions on Debian.
always="/usr/local/bin/lidglow
/usr/local/bin/lidglow-preview
/usr/local/libexec/lidglow/lidglow-decode
/usr/local/share/bash-completion/completions/lidglow
/usr/local/share/bash-completion/completions/lidglow-preview
/usr/local/share/man/man1/lidglow.1
/usr/local/share/man/man1/lidglow-preview.1
/usr/local/share/metainfo/org.example.lidglow.metainfo.xml
/usr/local/share/zsh/site-functions/_lidglow"
# Only this platform's examples, without the platform in their names.
documentation="/usr/local/share/doc/lidglow/LICENSE
/usr/local/share/doc/lidglow/examples/battery.sh
/usr/local/share/doc/lidglow/examples/clock.sh
/usr/local/share/doc/lidglow/examples/load.sh
/usr/local/share/doc/lidglow/examples/now-playing.sh"
linux_files="/usr/local/lib/systemd/system/lidglow.service
/usr/local/lib/udev/rules.d/70-lidglow.rules
/usr/local/lib/sysusers.d/lidglow.conf"

usr_unit_dir=$(pkg-config --variable=systemdsystemunitdir systemd 2>/dev/null || true)
udev_dir=$(pkg-config --variable=udevdir udev 2>/dev/null || true)
usr_sysusers_dir=$(pkg-config --variable=sysusersdir systemd 2>/dev/null || true)
usr_zsh_dir=/usr/share/zsh/site-functions
[ ! -f /etc/debian_version ] || usr_zsh_dir=/usr/share/zsh/vendor-completions
usr_files="$(printf '%s\n' "$always" "$documentation" | sed 's|^/usr/local/|/usr/|' | grep -v /zsh/)
$usr_zsh_dir/_lidglow
${usr_unit_dir:-/usr/lib/systemd/system}/lidglow.service
${udev_dir:-/usr/lib/udev}/rules.d/70-lidglow.rules
${usr_sysusers_dir:-/usr/lib/sysusers.d}/lidglow.conf"

# Each staged install starts from the directories' defaults for its prefix.
staged_install() {
    name=$1
    shift
    rm -rf "${work:?}/$name"
    cmake -S "$top" -B "$build" -DLIDGLOW_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr/local \
        -DLIDGLOW_INSTALL_RC_SCRIPT=OFF -DLIDGLOW_INSTALL_DEVD_RULE=OFF \
        -DLIDGLOW_INSTALL_SYSTEMD_UNIT=ON -DLIDGLOW_INSTALL_UDEV_RULE=ON \
        -DLIDGLOW_INSTALL_EXAMPLES=ON -DLIDGLOW_INSTALL_LICENSE=ON \
        -DLIDGLOW_EXAMPLES_DIR=share/doc/lidglow/examples -DLIDGLOW_ZSH_COMPLETION_DIR= \
        -DLIDGLOW_SYSTEMD_UNIT_DIR= -DLIDGLOW_UDEV_RULES_DIR= -DLIDGLOW_SYSUSERS_DIR= \
        "$@" >"$work/configure.log"
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

staged_install usr -DCMAKE_INSTALL_PREFIX=/usr
expect_files usr "$usr_files"
staged_install linux
expect_files linux "$always
$documentation
$linux_files"

# zsh finds the completion of either install without help.
for stage in usr linux; do
    zsh_dir=$(cd "$work/$stage" && find . -name _lidglow | sed 's|^\.||; s|/_lidglow$||')
    if [ -n "$zsh_dir" ] && zsh -fc 'print -l $fpath' | grep -qxF "$zsh_dir"; then
        pass "zsh's fpath holds $zsh_dir, where the $stage install puts _lidglow"
    else
        fail "zsh's fpath holds ${zsh_dir:-(none)}, where the $stage install puts _lidglow"
    fi
done

# The directories' defaults are worked out at the first configure and then
# kept: a pkg-config module that appears or changes later moves nothing,
# so no second copy is left. A default follows a change of the prefix, a
# value set by hand stays, and an empty one is worked out again. The rows
# reconfigure one build directory in turn, the first with a stand-in
# systemd module.
mkdir -p "$work/pc"
printf '%s\n' systemdsystemunitdir=/stand-in/system sysusersdir=/stand-in/sysusers \
    'Name: systemd' 'Description: stand-in' 'Version: 1' >"$work/pc/systemd.pc"
real_pc_path=${PKG_CONFIG_PATH-}
while IFS='|' read -r pc_path options unit rules; do
    # shellcheck disable=SC2086 # the options are words of their own
    PKG_CONFIG_PATH=$pc_path cmake -S "$top" -B "$work/dirs-build" -DLIDGLOW_TESTS=OFF \
        -DLIDGLOW_INSTALL_SYSTEMD_UNIT=ON -DLIDGLOW_INSTALL_UDEV_RULE=ON $options \
        >"$work/dirs.log" 2>&1 || cat "$work/dirs.log"
    got_unit=$(sed -n 's/^-- systemd unit directory: \([^ ]*\).*/\1/p' "$work/dirs.log")
    got_rules=$(sed -n 's/^-- udev rules directory: \([^ ]*\).*/\1/p' "$work/dirs.log")
    if [ "$got_unit|$got_rules" = "$unit|$rules" ]; then
        pass "directories after ${options:-a reconfigure}${pc_path:+ with a stand-in systemd.pc}: $unit, $rules"
    else
        fail "directories after ${options:-a reconfigure}: got $got_unit, $got_rules, want $unit, $rules"
    fi
done <<EOF
$work/pc|-DCMAKE_INSTALL_PREFIX=/usr|/stand-in/system|${udev_dir:-/usr/lib/udev}/rules.d
$real_pc_path||/stand-in/system|${udev_dir:-/usr/lib/udev}/rules.d
$real_pc_path|-DCMAKE_INSTALL_PREFIX=/usr/local|/usr/local/lib/systemd/system|/usr/local/lib/udev/rules.d
$real_pc_path|-DCMAKE_INSTALL_PREFIX=/usr -DLIDGLOW_UDEV_RULES_DIR=/etc/udev/rules.d|${usr_unit_dir:-/usr/lib/systemd/system}|/etc/udev/rules.d
$real_pc_path|-DCMAKE_INSTALL_PREFIX=/opt/lidglow|/opt/lidglow/lib/systemd/system|/etc/udev/rules.d
$real_pc_path|-DLIDGLOW_UDEV_RULES_DIR=|/opt/lidglow/lib/systemd/system|/opt/lidglow/lib/udev/rules.d
EOF

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

# The port pins its default font (a package of its own rather than the
# X.org font set that a plain FreeBSD build defaults to), and depends on
# the package that holds it.
port="$top/dist/freebsd/Makefile"
port_font=$(sed -n 's/.*-DLIDGLOW_DEFAULT_FONT=[$][{]LOCALBASE[}]\([^ ]*\).*/\1/p' "$port")
depends_font=$(sed -n 's/^RUN_DEPENDS=.*[$][{]LOCALBASE[}]\([^ :]*\):x11-fonts\/.*/\1/p' "$port")
if [ -n "$port_font" ] && [ "$port_font" = "$depends_font" ]; then
    pass "the port pins the default font \${LOCALBASE}$port_font and depends on its package"
else
    fail "the port's font: pinned '$port_font', depended on '$depends_font'"
fi

# systemd-analyze verify checks the unit of each install against a root
# that holds it, the system's own units (for the default dependencies) and
# kill(1); it reports problems without failing, so any output fails. The
# manual page is among the staged files, so man(1) need not look.
for stage in usr linux; do
    root="$work/verify-$stage"
    cp -a "$work/$stage" "$root"
    mkdir -p "$root/lib/systemd/system" "$root/bin"
    cp -an /lib/systemd/system/. "$root/lib/systemd/system/"
    cp /bin/kill "$root/bin/kill"
    if systemd-analyze verify --man=no --root="$root" lidglow.service \
        >"$work/verify.log" 2>&1 && [ ! -s "$work/verify.log" ]; then
        pass "systemd-analyze verify lidglow.service ($stage install)"
    else
        cat "$work/verify.log"
        fail "systemd-analyze verify lidglow.service ($stage install)"
    fi
done

# The unit's exposure as systemd-analyze rates it offline, on the staged
# install: at most 2.0 (its threshold counts in tenths).
if systemd-analyze security --offline=true --threshold=20 --root="$work/verify-usr" lidglow.service \
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
    for stage in usr linux; do
        systemd-sysusers --dry-run --root="$work/$stage" >"$work/sysusers.log" 2>&1 || true
        if grep -q "^Creating group 'lidglow' with GID [0-9]*\.$" "$work/sysusers.log" &&
            grep -q "^Creating user 'lidglow' (.*) with UID [0-9]* and GID [0-9]*\.$" "$work/sysusers.log" &&
            ! grep -Ev "^(Creating (user|group) 'lidglow' |Would write /etc/)" "$work/sysusers.log"; then
            pass "systemd-sysusers --dry-run creates the user and group lidglow ($stage install)"
        else
            cat "$work/sysusers.log"
            fail "systemd-sysusers --dry-run creates the user and group lidglow ($stage install)"
        fi
    done
else
    echo "skipped: this systemd-sysusers has no --dry-run"
fi

# The AppStream metadata validates (offline), and its newest release is the
# project's version.
metainfo=$(find "$top/dist/metainfo" -name '*.metainfo.xml')
if appstreamcli validate --no-net --pedantic "$metainfo" >"$work/appstream.log" 2>&1; then
    pass "appstreamcli validate ${metainfo#"$top"/}"
else
    cat "$work/appstream.log"
    fail "appstreamcli validate ${metainfo#"$top"/}"
fi
version=$(sed -n 's/^project(lidglow VERSION \([^ ]*\).*/\1/p' "$top/CMakeLists.txt")
release=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$metainfo" | head -n 1)
if [ -n "$version" ] && [ "$release" = "$version" ]; then
    pass "the metainfo's newest release is the project's version $version"
else
    fail "the metainfo's newest release ${release:-(none)} is not the project's version ${version:-(none)}"
fi

echo "lint: $((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
