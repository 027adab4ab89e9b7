#!/usr/bin/env bash
# The set-up of the README's commands (scripts/lib/setup-packages) on
# machines made of stand-ins: apt-get, apt-cache, dpkg, dpkg-query, id, sudo,
# qemu-i386 and with-i386 --check are small scripts over a state directory,
# the package sources a directory of their own, and PATH holds nothing else
# but plain tools, so no real package command can run. On every machine,
# called as the two commands call them and plainly under set -e,
# ensure_packages and ensure_i386 must reach a working state or stop with
# one line on stderr that names what is missing.
set -uo pipefail
LIB=$(cd "$(dirname "$0")/../.." && pwd)/scripts/lib/setup-packages
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
fails=0
runs=0

# --- the stand-ins (FAKE: the machine's directory) ---------------------------
F=$WORK/fakes
mkdir -p "$F"
cat >"$F/apt-get" <<'EOF'
#!/bin/bash
# Lists are what the last update fetched; installing needs them, and i386
# packages need the architecture added before that update.
[ "$FAKE_UID" = 0 ] || [ -n "${FAKE_SUDO:-}" ] || { echo "E: are you root?" >&2; exit 100; }
target= args=()
while [ $# -gt 0 ]; do
    case $1 in -t) target=$2 && shift ;; -*) ;; *) args+=("$1") ;; esac
    shift
done
S=$FAKE/state
if [ "${args[0]}" = update ]; then
    [ "$BPO" != offline ] || { echo "E: Failed to fetch InRelease" >&2; exit 100; }
    touch "$S/updated"
    grep -rqsE '^[^#]*bookworm-backports' "$FAKE/apt" && touch "$S/bpo-fetched"
    grep -qsx i386 "$S/arches" && touch "$S/i386-fetched"
    exit 0
fi
if [ -n "$target" ] && [ ! -e "$S/bpo-fetched" ]; then
    echo "E: release '$target' not found" >&2
    exit 100
fi
for p in "${args[@]:1}"; do
    [ -e "$S/updated" ] || { echo "E: Unable to locate package $p" >&2; exit 100; }
    case $p in
    *:i386) [ -e "$S/i386-fetched" ] || { echo "E: Unable to locate package $p" >&2; exit 100; } ;;
    qemu-user)
        v=7
        [ "$target" = bookworm-backports ] && [ "$BPO" != none ] && v=$BPO
        printf '#!/bin/bash\necho "qemu-i386 version %s.2.1 (Debian 1:%s.2+ds-1)"\necho "Copyright (c) 2003-2025"\n' \
            "$v" "$v" >"$FAKE/bin/qemu-i386"
        chmod +x "$FAKE/bin/qemu-i386"
        ;;
    esac
    echo "$p" >>"$S/installed"
done
EOF
cat >"$F/apt-cache" <<'EOF'
#!/bin/bash
[ "$*" = "madison qemu-user" ] || exit 64
S=$FAKE/state
[ -e "$S/updated" ] || exit 0
[ "$SRC" = other ] || echo " qemu-user | 1:7.2+dfsg-7+deb12u18 | http://mirror.invalid/debian bookworm/main amd64 Packages"
[ -e "$S/bpo-fetched" ] && [ "$BPO" != none ] &&
    echo " qemu-user | 1:$BPO.2+ds-1~bpo12+1 | http://mirror.invalid/debian bookworm-backports/main amd64 Packages"
exit 0
EOF
cat >"$F/dpkg" <<'EOF'
#!/bin/bash
case $1 in
--print-foreign-architectures) cat "$FAKE/state/arches" 2>/dev/null ;;
--add-architecture)
    [ "$FAKE_UID" = 0 ] || [ -n "${FAKE_SUDO:-}" ] || exit 2
    echo "$2" >>"$FAKE/state/arches"
    ;;
*) exit 64 ;;
esac
EOF
cat >"$F/dpkg-query" <<'EOF'
#!/bin/bash
p=${*: -1}
grep -qsx "$p" "$FAKE/state/installed" || { echo "dpkg-query: no packages found matching $p" >&2; exit 1; }
printf 'install ok installed'
EOF
cat >"$F/id" <<'EOF'
#!/bin/bash
[ "$1" = -u ] && echo "$FAKE_UID"
EOF
cat >"$F/sudo" <<'EOF'
#!/bin/bash
FAKE_SUDO=1 exec "$@"
EOF
cat >"$F/with-i386" <<'EOF'
#!/bin/bash
[ "$1" = --check ] || exit 64
[ "$KERNEL32" = no ] || { echo "with-i386: the kernel runs i386 programs itself"; exit 0; }
q=${QEMU_I386:-$FAKE/bin/qemu-i386}
[ -x "$q" ] || { echo "with-i386: this machine runs no i386 programs" >&2; exit 1; }
echo "with-i386: i386 programs run under $("$q" --version | head -n1) in a private namespace"
EOF
chmod +x "$F"/*

# --- a machine: PKGS and QEMU installed or not, package sources SRC -----------
make_machine() { # DIR SRC QEMU PKGS WHO
    local m=$1 t
    mkdir -p "$m/bin" "$m/state" "$m/apt/sources.list.d" "$m/scripts/lib"
    for t in bash env cat grep sed awk head tee dirname touch chmod; do
        ln -s "$(command -v "$t")" "$m/bin/$t"
    done
    ln -s "$F"/apt-get "$F"/apt-cache "$F"/dpkg "$F"/dpkg-query "$F"/id "$m/bin/"
    [ "$5" != sudo ] || ln -s "$F/sudo" "$m/bin/"
    cp "$LIB" "$m/scripts/lib/"
    ln -s "$F/with-i386" "$m/scripts/"
    if [ "$3" != - ]; then
        printf '#!/bin/bash\necho "qemu-i386 version %s.2.0"\n' "$3" >"$m/bin/qemu-i386"
        chmod +x "$m/bin/qemu-i386"
    fi
    [ "$4" = missing ] || { echo i386 >"$m/state/arches" && printf 'wine\nwine32:i386\n' >"$m/state/installed"; }
    local d=$m/apt/sources.list.d
    case $2 in
    deb822 | bpo)
        printf 'Types: deb\nURIs: http://security.invalid/debian-security\nSuites: bookworm-security\n\nTypes: deb\nURIs: http://mirror.invalid/debian\nSuites: bookworm bookworm-updates\nComponents: main\n' \
            >"$d/debian.sources"
        ;;&
    bpo) echo "deb http://mirror.invalid/debian bookworm-backports main" >"$m/apt/sources.list" ;;
    list)
        printf '# deb http://old.invalid/debian bookworm main\ndeb [signed-by=/k.gpg] http://list.invalid/debian bookworm main\n' \
            >"$m/apt/sources.list"
        ;;
    other) printf 'Types: deb\nURIs: http://other.invalid/ubuntu\nSuites: jammy\n' >"$d/other.sources" ;;
    esac
}

# What the run left: qemu's major version and the backports source it added.
qemu_after() { sed -nE 's/.*version ([0-9]+)\..*/\1/p' "$1/bin/qemu-i386" 2>/dev/null | grep . || echo -; }
source_after() { sed -n 's/^URIs: //p' "$1/apt/sources.list.d/setup-backports.sources" 2>/dev/null | grep . || echo -; }

# kernel: runs i386 itself; qemu: installed major or -; src: package sources;
# bpo: what bookworm-backports offers (offline: no update works); who: root,
# sudo, user (neither); pkgs: wine and wine32:i386 present or missing; then
# the exit status, qemu and the added source afterwards, and the last line
# (on stdout when 0, stderr otherwise).
rows='
native      yes -  deb822 10      user present 0 -  -                   the kernel runs i386 programs itself
native-new  yes -  deb822 10      root missing 0 -  -                   the kernel runs i386 programs itself
qemu-10     no  10 deb822 offline user present 0 10 -                   run under qemu-i386 version 10.
qemu-none   no  -  deb822 10      root missing 0 10 http://mirror.invalid/debian run under qemu-i386 version 10.
qemu-7      no  7  deb822 10      sudo present 0 10 http://mirror.invalid/debian run under qemu-i386 version 10.
list-line   no  -  list   10      sudo missing 0 10 http://list.invalid/debian   run under qemu-i386 version 10.
bpo-listed  no  -  bpo    10      root present 0 10 -                   run under qemu-i386 version 10.
no-bookworm no  -  other  10      root missing 1 -  -                   no Debian bookworm source is configured
bpo-no-qemu no  -  deb822 none    root present 1 -  http://mirror.invalid/debian offers no qemu-user: install qemu-user 10
bpo-qemu-7  no  7  deb822 7       root present 1 7  http://mirror.invalid/debian offers qemu-user 7 only
offline     no  -  deb822 offline root present 1 -  http://mirror.invalid/debian apt-get update failed
no-sudo     no  -  deb822 10      user present 1 -  -                   installing qemu-user needs root
no-sudo-pkg yes -  deb822 10      user missing 1 -  -                   installing wine wine32:i386 needs root
'

# As the commands call them (&&, set -e off inside), and plainly under set -e.
# shellcheck disable=SC2016 # for the inner bash to expand
calls=('set -uo pipefail; . "$1"; ensure_packages wine wine32:i386 && ensure_i386'
    'set -euo pipefail; . "$1"; ensure_packages wine wine32:i386; ensure_i386')
for call in "${calls[@]}"; do
    mode=${call%%;*}
    while read -r name kernel qemu src bpo who pkgs want_rc want_qemu want_source want_line; do
        [ -n "$name" ] || continue
        runs=$((runs + 1))
        m=$WORK/$runs-$name
        make_machine "$m" "$src" "$qemu" "$pkgs" "$who"
        uid=0
        [ "$who" = root ] || uid=1000
        env -i PATH="$m/bin" FAKE="$m" FAKE_UID=$uid KERNEL32="$kernel" SRC="$src" BPO="$bpo" \
            SETUP_APT_DIR="$m/apt" bash -c "$call" _ "$m/scripts/lib/setup-packages" >"$m/out" 2>"$m/err"
        rc=$?
        if [ "$rc" -eq 0 ]; then last=$(tail -n1 "$m/out"); else last=$(tail -n1 "$m/err"); fi
        said=$(grep -c '^packages:' "$m/err")
        got="rc $rc, qemu $(qemu_after "$m"), source $(source_after "$m"), $said lines of packages: on stderr"
        want="rc $want_rc, qemu $want_qemu, source $want_source, $((want_rc == 0 ? 0 : 1)) lines of packages: on stderr"
        if [ "$got" != "$want" ] || [[ $last != *"$want_line"* ]] ||
            { [ "$rc" -eq 0 ] && ! grep -qx wine32:i386 "$m/state/installed"; }; then
            fails=$((fails + 1))
            echo "FAIL $name ($mode): $got, want $want; last line \"$last\", want \"$want_line\""
            sed 's/^/  out: /' "$m/out"
            sed 's/^/  err: /' "$m/err"
        else
            echo "ok: $name ($mode): $last"
        fi
    done <<<"$rows"
done
echo "packages-test: $runs machines, $fails failed"
[ "$fails" -eq 0 ]
