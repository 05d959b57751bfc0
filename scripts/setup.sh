#!/bin/sh
# Installs the Debian or Ubuntu packages that the build and its suites need,
# and nothing when they are all there. Extra groups: fuzz, package, windows
# (the MinGW-w64 cross compiler with POSIX threads, and wine to run its
# programs: `make test-windows`).
#   scripts/setup.sh [fuzz] [package] [windows]
set -eu

# The core's suites use doctest (a header, so the Windows build runs them
# too). The suites also validate the installed desktop files and the Windows
# version record, so their checkers come with the base set. libxcb reads the
# X11 clipboard beside Qt; libwayland the Wayland one, on Qt's own
# connection, which only Qt's private headers hand out (its scanner also
# builds the Wayland suite's stand-in owner). The captions need a
# Chinese font: WenQuanYi Micro Hei covers them in 5 MB (the package
# recommends the larger Noto CJK). The screen-reader suite needs a D-Bus
# session, the accessibility bus and pyatspi; the Wayland suite a headless
# compositor, Qt's Wayland plugin and Wayland's typing and clipboard tools.
packages="cmake make g++ pkg-config doctest-dev qt6-base-dev libxcb1-dev libwayland-dev qt6-base-private-dev
    xvfb openbox xdotool xclip x11-utils
    desktop-file-utils appstream binutils-mingw-w64-x86-64 groff-base file
    fonts-wqy-microhei
    dbus-daemon at-spi2-core python3-pyatspi
    qt6-wayland sway wtype wl-clipboard"
for group in "$@"; do
    case "$group" in
    fuzz) packages="$packages clang libclang-rt-dev" ;;
    package) packages="$packages dpkg-dev file desktop-file-utils appstream lintian" ;;
    windows) packages="$packages g++-mingw-w64-x86-64-posix wine64 imagemagick bc" ;;
    *) echo "setup.sh: unknown group '$group'" >&2; exit 2 ;;
    esac
done

missing=""
for p in $packages; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
    [ "$status" = installed ] || missing="$missing $p"
done
[ -n "$missing" ] || exit 0

if ! command -v apt-get >/dev/null 2>&1; then
    echo "setup.sh: please install:$missing" >&2
    exit 1
fi
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# shellcheck disable=SC2086
$sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
