#!/usr/bin/env bash
# Checks the .deb the way a user meets it, without installing it: lintian finds no error
# and no warning (a missing man page, copyright file or changelog among them), its Depends
# resolve with apt on a fresh system, it holds nothing outside /usr/bin and /usr/share, and
# the programs unpacked from it (dpkg -x into a throwaway folder) run: gtm2wtr on a file
# GPSBabel wrote, quendra on a virtual X display; and with its MIME types, GIO (what file
# managers ask) names the type of .gtm and .gtz files and offers quendra.desktop for them,
# as the install's triggers would have them. Its Depends alone, without Recommends, bring
# Qt's X11 platform plugin, and its AppStream metadata is valid.
#   scripts/check-package.sh [PACKAGE.deb]     (default: builds it with scripts/package.sh)
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

ensure_packages dpkg-dev gpsbabel desktop-file-utils xvfb xauth man-db shared-mime-info \
    libglib2.0-bin lintian appstream

DEB=${1:-$("$ROOT/scripts/package.sh" | tail -n 1)}
DEB=$(realpath "$DEB")
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

has() { grep -qxF -- "$1" "$WORK/contents.txt"; }

echo "== $DEB"
dpkg-deb -c "$DEB" | awk '{print $6}' | sed 's|^\./|/|; s|/$||' >"$WORK/contents.txt"
depends=$(dpkg-deb -f "$DEB" Depends)
version=$(dpkg-deb -f "$DEB" Version)

echo "== lintian (no overrides; I: and P: tags are allowed)"
lintian --fail-on error,warning "$DEB" || fail "lintian reports errors or warnings"

echo "== contents and Depends"
app=no
has /usr/bin/quendra && app=yes
needs=(libc6 libstdc++6 zlib1g)
[ $app = no ] || needs+=(libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins fonts-arphic-uming)
# The package names in Depends, alternatives included, one a line.
tr ',|' '\n\n' <<<"$depends" | sed 's/(.*//; s/ //g' >"$WORK/depends.txt"
for package in "${needs[@]}"; do
    grep -qxF "$package" "$WORK/depends.txt" || fail "Depends lacks $package: $depends"
done
stray=$(grep -Ev '^/usr(/(bin|share)(/.*)?)?$' "$WORK/contents.txt" || true)
[ -z "$stray" ] || fail "files outside /usr/bin and /usr/share: $stray"
echo "app: $app; Depends: $depends"

echo "== apt resolves the Depends on a fresh system (simulated, nothing is installed)"
: >"$WORK/empty-status"  # an empty package database
apt-get install --simulate --no-install-recommends -o Dir::State::status="$WORK/empty-status" \
    "$DEB" >"$WORK/apt.txt" || { cat "$WORK/apt.txt"; fail "apt cannot install it on a fresh system"; }
grep -q '^Inst quendra ' "$WORK/apt.txt" || fail "apt would not install quendra on a fresh system"
echo "apt installs $(grep -c '^Inst ' "$WORK/apt.txt") packages"
if [ $app = yes ]; then  # the package that holds the plugin here, whatever its name
    xcb=$(dpkg -S '*/qt6/plugins/platforms/libqxcb.so' | cut -d: -f1) || fail "no Qt X11 plugin here"
    grep -q "^Inst $xcb " "$WORK/apt.txt" || fail "the Depends alone do not bring $xcb (Qt on X11)"
    echo "without Recommends, with $xcb, which holds Qt's X11 platform plugin"
fi

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
"$GTM2WTR" -d wtr gtm/taiwan.gtm
"$GTM2WTR" --list wtr/taiwan.wtr | diff -u <(printf 'TAIPEI101  508\nKAOHSIUNG   12\n') - ||
    fail "the WTR file lists wrong"

if [ $app = yes ]; then
    echo "== the menu entry and the unpacked quendra"
    desktop=$WORK/root/usr/share/applications/quendra.desktop
    desktop-file-validate "$desktop" || fail "the .desktop entry is not valid"
    # The metainfo file, its name against its id and its launchable against the entry.
    appstreamcli validate-tree --no-net "$WORK/root" || fail "the AppStream metadata is not valid"
    # lintian sees that the command is in the package.
    grep -qxF "Exec=quendra %f" "$desktop" || fail "the entry does not pass the file to open"
    icon=$(sed -n 's/^Icon=//p' "$desktop")
    for file in 48x48/apps/$icon.png scalable/apps/$icon.svg; do
        has "/usr/share/icons/hicolor/$file" || fail "Icon=$icon has no $file"
    done

    echo "== the GTM file types, as the install's triggers would make them"
    share=$WORK/root/usr/share
    XDG_DATA_DIRS="$share:/usr/share" update-mime-database "$share/mime"
    update-desktop-database "$share/applications"
    # GIO names a plain file's type by its name or its first bytes, a compressed one's by its
    # name, and offers quendra.desktop for both.
    gio=(env HOME="$WORK/home" XDG_DATA_HOME="$WORK/home/.local/share" XDG_CONFIG_HOME="$WORK/home/.config"
        XDG_DATA_DIRS="$share:/usr/share" PATH="$WORK/root/usr/bin:$PATH" gio)
    mkdir -p home types
    cp gtm/taiwan.gtm types/plain.gtm
    cp gtm/taiwan.gtm types/no-extension
    gzip -c gtm/taiwan.gtm >types/compressed.gtz
    cp types/compressed.gtz types/compressed.gtm.gz
    printf '<gpx version="1.1"><wpt lat="25" lon="121"/></gpx>\n' >types/walk.gpx
    for file in plain.gtm:application/x-gtm no-extension:application/x-gtm \
        compressed.gtz:application/x-gtz compressed.gtm.gz:application/x-gtz \
        walk.gpx:application/gpx+xml; do
        got=$("${gio[@]}" info -a standard::content-type "types/${file%%:*}" |
            sed -n 's/^ *standard::content-type: //p')
        echo "${file%%:*}: $got"
        [ "$got" = "${file#*:}" ] || fail "${file%%:*} has the type '$got', expected ${file#*:}"
    done
    for type in application/x-gtm application/x-gtz application/gpx+xml; do
        got=$("${gio[@]}" mime "$type")
        echo "${got%%$'\n'*}"
        [[ ${got%%$'\n'*} == *": quendra.desktop" ]] || fail "quendra.desktop is not the application for $type"
    done

    # The dialog runs until it is closed, so still running after a few seconds means it
    # came up. Its settings go to a throwaway folder.
    chmod 700 home
    status=0
    env HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/.config" XDG_RUNTIME_DIR="$WORK/home" \
        xvfb-run -a timeout 5 "$WORK/root/usr/bin/quendra" >quendra.log 2>&1 || status=$?
    cat quendra.log
    [ $status -eq 124 ] || fail "quendra ended with status $status instead of running"
    ! grep -qi 'could not load the qt platform plugin\|cannot open display' quendra.log ||
        fail "quendra could not open its window"
    echo "quendra starts on X (xcb)."
fi

echo "Package check passed."
