#!/bin/sh
# Installs the build into a scratch folder, as `cpack` and a distribution's
# packaging do (prefix /usr, DESTDIR), and checks that everything a desktop
# needs to show and start the program landed where it looks for it. Where
# lintian is installed, it also makes the Debian package with cpack and holds
# it to lintian's every tag, as a distribution would.
# Run by the install_layout test:
#   cmake/check_install.sh [--cpack CPACK --fortified yes|no] CMAKE BUILD_DIR [CONFIG]
# --fortified no: the build does not use _FORTIFY_SOURCE (no optimisation, or
# sanitizers), so lintian's note about it is expected.
set -eu

cpack=""
fortified=yes
while [ $# -gt 2 ]; do
    case "$1" in
    --cpack) cpack=$2; shift 2 ;;
    --fortified) fortified=$2; shift 2 ;;
    *) break ;;
    esac
done
if [ $# -lt 2 ]; then
    echo "usage: check_install.sh [--cpack CPACK --fortified yes|no] CMAKE BUILD_DIR [CONFIG]" >&2
    exit 2
fi
cmake=$1
build=$2
config=${3:-}
id=org.example.Tagwell
package=tagwell

dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT INT TERM

if [ -n "$config" ]; then
    DESTDIR="$dest/installed" "$cmake" --install "$build" --prefix /usr --config "$config" >/dev/null
else
    DESTDIR="$dest/installed" "$cmake" --install "$build" --prefix /usr >/dev/null
fi
root="$dest/installed/usr"

failures=0
fail() {
    echo "install_layout: $*" >&2
    failures=$((failures + 1))
}
have() {
    command -v "$1" >/dev/null 2>&1
}
need_file() {
    [ -f "$root/$1" ] || fail "missing /usr/$1"
}

for program in tagwell tagwell-convert; do
    [ -x "$root/bin/$program" ] || fail "missing or not executable: /usr/bin/$program"
done
# The installed copy runs without the build tree: no stale RPATH into it, no
# library left behind.
if [ -x "$root/bin/tagwell-convert" ]; then
    version=$("$root/bin/tagwell-convert" --version) || fail "installed tagwell-convert --version failed"
    case "$version" in
    "tagwell-convert "*) ;;
    *) fail "installed tagwell-convert --version printed '$version'" ;;
    esac
fi

desktop="share/applications/$id.desktop"
need_file "$desktop"
if [ -f "$root/$desktop" ]; then
    if have desktop-file-validate; then
        desktop-file-validate "$root/$desktop" >&2 || fail "desktop-file-validate rejects /usr/$desktop"
    fi
    # The menu runs Exec from PATH and looks Icon up in the icon theme: both
    # must name what is installed, not what the file was first written for.
    exec_line=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$root/$desktop")
    [ -x "$root/bin/$exec_line" ] || fail "/usr/$desktop runs '$exec_line', which is not in /usr/bin"
    icon_line=$(sed -n 's/^Icon=//p' "$root/$desktop")
    [ "$icon_line" = "$id" ] || fail "/usr/$desktop names icon '$icon_line', not $id"
fi

metainfo="share/metainfo/$id.metainfo.xml"
need_file "$metainfo"
if [ -f "$root/$metainfo" ]; then
    if have appstreamcli; then
        appstreamcli validate --no-net "$root/$metainfo" >&2 || fail "appstreamcli rejects /usr/$metainfo"
    fi
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$root/$metainfo" ||
        fail "/usr/$metainfo does not launch $id.desktop"
fi

for size in 16 32; do
    icon="share/icons/hicolor/${size}x$size/apps/$id.png"
    need_file "$icon"
    # A theme folder holding a picture of another size shows it scaled, blurred.
    if [ -f "$root/$icon" ] && have file; then
        file "$root/$icon" | grep -q "PNG image data, $size x $size," ||
            fail "/usr/$icon is not a ${size}x$size PNG: $(file -b "$root/$icon")"
    fi
done
need_file "share/icons/hicolor/scalable/apps/$id.svg"

# Every program has its manual page, gzipped, as man and Debian expect.
for program in tagwell tagwell-convert; do
    man="share/man/man1/$program.1.gz"
    need_file "$man"
    [ -f "$root/$man" ] || continue
    if ! gzip -t "$root/$man" 2>/dev/null; then
        fail "/usr/$man is not gzipped"
    elif have groff; then
        # -k reads the page as the UTF-8 it is, as man does.
        warnings=$(gzip -dc "$root/$man" | groff -k -man -Tutf8 -ww -z 2>&1) || fail "groff cannot render /usr/$man"
        [ -z "$warnings" ] || fail "groff warns about /usr/$man: $warnings"
    fi
done
uncompressed=$(find "$root/share/man" -type f ! -name '*.gz' 2>/dev/null)
[ -z "$uncompressed" ] || fail "manual pages not gzipped: $uncompressed"

doc="share/doc/$package"
need_file "$doc/copyright"
if [ -f "$root/$doc/copyright" ]; then
    head -n 1 "$root/$doc/copyright" |
        grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
        fail "/usr/$doc/copyright is not in the machine-readable format"
fi
need_file "$doc/changelog.gz"
changelog_version=""
if [ -f "$root/$doc/changelog.gz" ]; then
    changelog_version=$(gzip -dc "$root/$doc/changelog.gz" | sed -n "1s/^$package (\([^)]*\)) .*/\1/p")
    [ -n "$changelog_version" ] || fail "/usr/$doc/changelog.gz does not start with a '$package (VERSION)' entry"
fi

# The package as cpack makes it, judged by Debian's own checker. Its version
# must be the one the changelog's latest entry names.
if [ -n "$cpack" ] && have lintian && have dpkg-shlibdeps; then
    out="$dest/package"
    if [ -n "$config" ]; then
        set -- -C "$config"
    else
        set --
    fi
    if ! "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$out" "$@" >"$dest/cpack.log" 2>&1; then
        cat "$dest/cpack.log" >&2
        fail "cpack could not make the package"
    fi
    deb=$(find "$out" -maxdepth 1 -name "${package}_*.deb" | head -n 1)
    if [ -n "$deb" ]; then
        deb_version=$(dpkg-deb -f "$deb" Version)
        [ "$deb_version" = "$changelog_version" ] ||
            fail "the package is version $deb_version, its changelog's latest entry $changelog_version"
        set -- -I -E --pedantic --fail-on error,warning,info,pedantic,experimental
        [ "$fortified" = yes ] || set -- "$@" --suppress-tags hardening-no-fortify-functions
        # lintian warns on its standard error when run as root; only tags count,
        # unless it could not run at all.
        status=0
        tags=$(lintian "$@" "$deb" 2>"$dest/lintian.log") || status=$?
        if [ -n "$tags" ]; then
            fail "lintian tags the package:
$tags"
        elif [ "$status" -ne 0 ]; then
            fail "lintian failed (status $status): $(cat "$dest/lintian.log")"
        fi
    else
        fail "cpack made no ${package}_*.deb"
    fi
elif [ -n "$cpack" ]; then
    echo "install_layout: lintian or dpkg-shlibdeps is not installed (scripts/setup.sh package): the package is not checked"
fi

if [ "$failures" -ne 0 ]; then
    echo "install_layout: $failures problem(s); installed files:" >&2
    (cd "$dest/installed" && find . -type f | sort) >&2
    exit 1
fi
