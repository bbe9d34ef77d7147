#!/usr/bin/env bash
# Makes the Debian package from a build folder (default: build, as scripts/test.sh
# leaves it), checks it with lintian, installs it on this machine with apt-get,
# checks the installed files as a user meets them, and removes it again, checking
# that nothing of it stays. Installs the tools it needs with apt-get (through sudo
# when you are not root).
#
#     scripts/check-package.sh [BUILD_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
apt_get() {
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 "$@"
}

tools=(lintian desktop-file-utils appstream man-db dpkg-dev file xvfb xauth bash-completion)
missing=()
for p in "${tools[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    apt_get update -qq
    apt_get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

passed=0
failed=0
check() {
    local what=$1
    shift
    if "$@"; then
        echo "ok: $what"
        passed=$((passed + 1))
    else
        echo "FAILED: $what"
        failed=$((failed + 1))
    fi
}

# ---------------------------------------------------------------- the package
cmake --build "$build" -j "$(nproc)" --target brenvale brenvale-cli brenvale_compressed_docs
rm -f "$build"/brenvale_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/brenvale_*.deb)
deb=$(realpath "${debs[0]}")
echo "Package: $deb"
dpkg-deb --field "$deb"
dpkg-deb --contents "$deb"

version=$(dpkg-deb --field "$deb" Version)
same_version() {
    local metainfo=data/example.brenvale.Brenvale.metainfo.xml
    grep -m1 -o '<release version="[^"]*"' "$metainfo" | grep -qx "<release version=\"$version\"" &&
        grep -q "\"Brenvale $version\"" docs/man/brenvale.1 &&
        grep -q "\"Brenvale $version\"" docs/man/brenvale-cli.1 &&
        [ "$(dpkg-parsechangelog -l packaging/changelog -S Version)" = "$version" ]
}
check "metainfo, manual pages and changelog name version $version" same_version
check "lintian reports no errors" lintian --fail-on error --display-level '>=warning' "$deb"

# ---------------------------------------------------------------- installed
# Parallel runs on one machine take turns: each installs and removes the package.
exec 9>/tmp/brenvale-package-check.lock
flock 9

scratch=$(mktemp -d)
chmod 755 "$scratch"
cleanup() {
    apt_get purge -y -qq brenvale >/dev/null 2>&1 || true
    rm -rf "$scratch"
}
trap cleanup EXIT

apt_get install -y -qq --no-install-recommends "$deb" >/dev/null
installed() { dpkg-query -W -f='${Status}' brenvale 2>/dev/null | grep -q "install ok installed"; }
check "apt-get installs the package" installed

# The checks run as a user who cannot write /usr, as a user of the package would.
as_user() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u nobody -- env HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/config" \
            XDG_DATA_HOME="$scratch/home/data" XDG_RUNTIME_DIR="$scratch/home/run" "$@"
    else
        env HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/config" \
            XDG_DATA_HOME="$scratch/home/data" XDG_RUNTIME_DIR="$scratch/home/run" "$@"
    fi
}
mkdir -p "$scratch/home/run"
chmod 700 "$scratch/home/run"
[ "$(id -u)" -ne 0 ] || chown -R nobody "$scratch/home"

check "brenvale-cli --version" test "$(as_user /usr/bin/brenvale-cli --version)" = "brenvale-cli $version"
check "man -w brenvale-cli" test "$(as_user man -w brenvale-cli)" = /usr/share/man/man1/brenvale-cli.1.gz
check "man -w brenvale" test "$(as_user man -w brenvale)" = /usr/share/man/man1/brenvale.1.gz
manual_reads() {
    as_user env MANWIDTH=80 man --warnings brenvale-cli 2>&1 >/dev/null | (! grep .) &&
        as_user env MANWIDTH=80 man brenvale-cli | grep -q "BRENVALE_HOME"
}
check "the manual page formats without warnings" manual_reads
check "desktop-file-validate accepts the desktop entry" \
    desktop-file-validate /usr/share/applications/example.brenvale.Brenvale.desktop
check "appstreamcli validate accepts the metadata" \
    appstreamcli validate --no-net /usr/share/metainfo/example.brenvale.Brenvale.metainfo.xml
icons_present() {
    local size
    for size in 16 22 24 32 48 64 128 256; do
        [ -f /usr/share/icons/hicolor/${size}x${size}/apps/example.brenvale.Brenvale.png ] || return 1
    done
    [ -f /usr/share/icons/hicolor/scalable/apps/example.brenvale.Brenvale.svg ]
}
check "the icon is in the hicolor theme, scalable and 16 to 256 px" icons_present
check "the help document is installed" test -f /usr/share/brenvale/help/index.html

# Completion: commands, options, and job names read from the task list.
mkdir -p "$scratch/home/data/Brenvale"
cp packaging/tests/tasklist.qn "$scratch/home/data/Brenvale/tasklist.qn"
[ "$(id -u)" -ne 0 ] || chown -R nobody "$scratch/home"
complete_line() {
    # Prints the completions bash offers for the words given (the last is completed).
    as_user bash -c '
        source /usr/share/bash-completion/bash_completion
        source /usr/share/bash-completion/completions/brenvale-cli
        COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
        COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
        _brenvale_cli brenvale-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
        printf "%s\n" "${COMPREPLY[@]}"' completion "$@"
}
check "completion offers the commands" test "$(complete_line brenvale-cli a | tr '\n' ' ')" = "analyze "
check "completion offers the options" \
    test "$(complete_line brenvale-cli sync --exclude-h | tr '\n' ' ')" = "--exclude-hidden "
check "completion offers the jobs of the task list" \
    test "$(complete_line brenvale-cli sync M | tr '\n' ' ')" = 'Mail\ archive '
lists_jobs() { as_user /usr/bin/brenvale-cli jobs | grep -q 'Mail archive'; }
check "brenvale-cli lists the jobs of the data folder in XDG_DATA_HOME" lists_jobs

# The desktop program starts from the installed files, keeps its data in
# XDG_DATA_HOME and ends when asked to (timeout's SIGTERM closes the window).
desktop_starts() {
    local status=0
    as_user xvfb-run -a -s "-screen 0 1280x800x24" timeout -s TERM 8 /usr/bin/brenvale || status=$?
    [ "$status" -eq 124 ] && [ -f "$scratch/home/data/Brenvale/tasklist.qn" ] &&
        [ ! -e /usr/bin/tasklist.qn ]
}
check "the installed desktop program starts and keeps its data in XDG_DATA_HOME" desktop_starts

# ---------------------------------------------------------------- removed
files=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\./|/|')
apt_get purge -y -qq brenvale >/dev/null
nothing_left() {
    local file left=0
    while IFS= read -r file; do
        if [ -e "$file" ] || [ -L "$file" ]; then
            echo "left behind: $file"
            left=1
        fi
    done <<<"$files"
    [ "$left" -eq 0 ] && ! installed
}
check "apt-get purge removes every installed file" nothing_left

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
