#!/usr/bin/env bash
# Checks the .deb the way a user meets it, without installing it: lintian finds no error
# and no warning, its Depends resolve with apt, it holds what it should and nothing else,
# and the programs unpacked from it (dpkg -x into a throwaway folder) run: gtm2wtr on files
# GPSBabel wrote, quendra on a virtual X display and offscreen; and with its MIME types,
# GIO (what file managers ask) names the type of .gtm and .gtz files and offers
# quendra.desktop for them.
#   scripts/check-package.sh [PACKAGE.deb]     (default: builds it with scripts/package.sh)
#   QUENDRA_CHECK_INSTALL=1 also installs it with apt, runs /usr/bin/gtm2wtr, checks that the
#   install updated the MIME database, and removes it.
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

ensure_packages dpkg-dev gpsbabel desktop-file-utils xvfb xauth man-db shared-mime-info \
    libglib2.0-bin lintian

DEB=${1:-$("$ROOT/scripts/package.sh" | tail -n 1)}
DEB=$(realpath "$DEB")
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
has() { grep -qxF -- "$1" "$WORK/contents.txt"; }

echo "== $DEB"
dpkg-deb -I "$DEB"
dpkg-deb -c "$DEB" | awk '{print $6}' | sed 's|^\./|/|; s|/$||' >"$WORK/contents.txt"
depends=$(dpkg-deb -f "$DEB" Depends)
version=$(dpkg-deb -f "$DEB" Version)

echo "== lintian (no overrides; I: and P: tags are allowed)"
lintian --fail-on error,warning "$DEB" || fail "lintian reports errors or warnings"

echo "== contents and Depends"
app=no
has /usr/bin/quendra && app=yes
expected=(/usr/bin/gtm2wtr /usr/share/man/man1/gtm2wtr.1.gz /usr/share/doc/quendra/copyright
    /usr/share/doc/quendra/changelog.gz)
needs=(libc6 libstdc++6 zlib1g)
if [ $app = yes ]; then
    expected+=(/usr/share/man/man1/quendra.1.gz /usr/share/applications/quendra.desktop /usr/share/mime/packages/quendra.xml
        /usr/share/icons/hicolor/48x48/apps/quendra.png
        /usr/share/icons/hicolor/scalable/apps/quendra.svg)
    needs+=(libqt6core6 libqt6gui6 libqt6widgets6 fonts-arphic-uming)
fi
for path in "${expected[@]}"; do has "$path" || fail "the package lacks $path"; done
# The package names in Depends, alternatives included, one a line.
tr ',|' '\n\n' <<<"$depends" | sed 's/(.*//; s/ //g' >"$WORK/depends.txt"
for package in "${needs[@]}"; do
    grep -qxF "$package" "$WORK/depends.txt" || fail "Depends lacks $package: $depends"
done
stray=$(grep -Ev '^/usr(/(bin|share)(/.*)?)?$' "$WORK/contents.txt" || true)
[ -z "$stray" ] || fail "files outside /usr/bin and /usr/share: $stray"
echo "app: $app; Depends: $depends"

echo "== apt resolves the Depends (simulated, nothing is installed)"
apt-get install --simulate "$DEB" >"$WORK/apt.txt" || { cat "$WORK/apt.txt"; fail "apt cannot install it here"; }
grep -E '^Inst ' "$WORK/apt.txt" || true
# As on a machine with nothing installed: an empty package database.
: >"$WORK/empty-status"
apt-get install --simulate -o Dir::State::status="$WORK/empty-status" "$DEB" >"$WORK/apt-fresh.txt" ||
    { cat "$WORK/apt-fresh.txt"; fail "apt cannot install it on a fresh system"; }
grep -q '^Inst quendra ' "$WORK/apt-fresh.txt" || fail "apt would not install quendra on a fresh system"
echo "on a fresh system apt installs $(grep -c '^Inst ' "$WORK/apt-fresh.txt") packages, among them:"
grep -E '^Inst (quendra|fonts-arphic-uming|libqt6(core|gui|widgets)6) ' "$WORK/apt-fresh.txt" || true

echo "== the unpacked gtm2wtr"
dpkg -x "$DEB" "$WORK/root"
GTM2WTR="$WORK/root/usr/bin/gtm2wtr"
"$GTM2WTR" --version | grep -qxF "gtm2wtr (Quendra) $version" || fail "gtm2wtr --version"
grep -qxF 'License: Expat' "$WORK/root/usr/share/doc/quendra/copyright" ||
    fail "the copyright file names no Expat (MIT) license"
MANPAGER=cat MANWIDTH=80 man -l "$WORK/root/usr/share/man/man1/gtm2wtr.1.gz" 2>&1 |
    grep -q -- '--hu-tzu-shan=shift' || fail "the man page does not render"
if [ $app = yes ]; then
    MANPAGER=cat MANWIDTH=80 man -l "$WORK/root/usr/share/man/man1/quendra.1.gz" 2>&1 |
        grep -q 'Moskel.conf' || fail "the quendra man page does not render"
fi

cd "$WORK"
mkdir gtm wtr
sample_gtm_from_gpsbabel gtm/taiwan.gtm
printf 'not a GTM file, just text that is long enough to be read' >gtm/broken.gtm
status=0
"$GTM2WTR" -d wtr gtm/taiwan.gtm gtm/broken.gtm 2>stderr.txt || status=$?
cat stderr.txt
[ $status -eq 1 ] || fail "batch with a broken input exited $status, expected 1"
grep -q 'broken.gtm: not a GTM file' stderr.txt || fail "the broken input was not reported"
"$GTM2WTR" --list wtr/taiwan.wtr >list.txt
printf 'TAIPEI101  508\nKAOHSIUNG   12\n' | diff -u - list.txt || fail "the WTR file lists wrong"
echo "gtm2wtr converts and lists."

# check_mime_types DATA_DIRS BIN: with the MIME database and desktop entries of DATA_DIRS
# (XDG_DATA_DIRS) and quendra in BIN, GIO gives a plain file, by name or by its first bytes,
# and a compressed one their types, and quendra.desktop as the application for both.
check_mime_types() {
    local gio=(env HOME="$WORK/home" XDG_DATA_HOME="$WORK/home/.local/share"
        XDG_CONFIG_HOME="$WORK/home/.config" XDG_DATA_DIRS="$1" PATH="$2:$PATH" gio)
    local file type got
    mkdir -p "$WORK/home" "$WORK/types"
    cp "$WORK/gtm/taiwan.gtm" "$WORK/types/plain.gtm"
    cp "$WORK/gtm/taiwan.gtm" "$WORK/types/no-extension"
    gzip -c "$WORK/gtm/taiwan.gtm" >"$WORK/types/compressed.gtz"
    gzip -c "$WORK/gtm/taiwan.gtm" >"$WORK/types/compressed.gtm.gz"
    for file in plain.gtm:application/x-gtm no-extension:application/x-gtm \
        compressed.gtz:application/x-gtz compressed.gtm.gz:application/x-gtz; do
        type=${file#*:}
        got=$("${gio[@]}" info -a standard::content-type "$WORK/types/${file%%:*}" |
            sed -n 's/^ *standard::content-type: //p')
        echo "${file%%:*}: $got"
        [ "$got" = "$type" ] || fail "${file%%:*} has the type '$got', expected $type"
    done
    for type in application/x-gtm application/x-gtz; do
        got=$("${gio[@]}" mime "$type")
        got=${got%%$'\n'*}
        echo "$got"
        [[ $got == *": quendra.desktop" ]] || fail "quendra.desktop is not the application for $type"
    done
}

# run_quendra PROGRAM [WRAPPER...]: the dialog runs until it is closed, so still running
# after a few seconds means it came up. Its settings go to a throwaway folder.
run_quendra() {
    local program=$1 status=0
    shift
    mkdir -p "$WORK/home" && chmod 700 "$WORK/home"
    env HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/.config" XDG_RUNTIME_DIR="$WORK/home" \
        "$@" timeout 5 "$program" >"$WORK/quendra.log" 2>&1 || status=$?
    cat "$WORK/quendra.log"
    [ $status -eq 124 ] || fail "$program ($*) ended with status $status instead of running"
    ! grep -qi 'could not load the qt platform plugin\|cannot open display' "$WORK/quendra.log" ||
        fail "$program ($*) could not open its window"
}

if [ $app = yes ]; then
    echo "== the menu entry and the unpacked quendra"
    desktop=$WORK/root/usr/share/applications/quendra.desktop
    desktop-file-validate "$desktop" || fail "the .desktop entry is not valid"
    exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
    has "/usr/bin/$exec_name" || fail "Exec=$exec_name names no installed program"
    icon=$(sed -n 's/^Icon=//p' "$desktop")
    has "/usr/share/icons/hicolor/48x48/apps/$icon.png" || fail "Icon=$icon has no icon"
    grep -qxF "Exec=$exec_name %f" "$desktop" || fail "the entry does not pass the file to open"

    echo "== the GTM file types, as the install's triggers would make them"
    XDG_DATA_DIRS="$WORK/root/usr/share:/usr/share" update-mime-database "$WORK/root/usr/share/mime"
    update-desktop-database "$WORK/root/usr/share/applications"
    check_mime_types "$WORK/root/usr/share:/usr/share" "$WORK/root/usr/bin"

    run_quendra "$WORK/root/usr/bin/quendra" QT_QPA_PLATFORM=offscreen
    run_quendra "$WORK/root/usr/bin/quendra" xvfb-run -a
    echo "quendra starts offscreen and on X (xcb)."
fi

if [ "${QUENDRA_CHECK_INSTALL:-0}" = 1 ]; then
    echo "== apt install, run, remove"
    if dpkg-query -W -f='${Status}' quendra 2>/dev/null | grep -q 'install ok installed'; then
        fail "quendra is already installed here; not touching it"
    fi
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$DEB" >/dev/null
    status=0
    {
        /usr/bin/gtm2wtr --version && man -w gtm2wtr &&
            { [ $app = no ] || (run_quendra /usr/bin/quendra xvfb-run -a); } &&
            { [ $app = no ] || (check_mime_types /usr/share /usr/bin); }
    } || status=$?
    as_root env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq quendra >/dev/null
    [ $status -eq 0 ] || fail "the installed programs do not run"
fi

echo "Package check passed."
