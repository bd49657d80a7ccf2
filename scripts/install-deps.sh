#!/bin/sh
# Installs with apt-get what building and running Mizel４ needs, and with
# "test" also what its tests need; does nothing when everything is there.
# Works as root or through sudo.
set -e

# Building and running the program, and its Debian package (the hardening
# flags, the dependency list).
packages="
cmake
make
g++
pkg-config
qt6-base-dev
libxcb1-dev
qt6-qpa-plugins
libqt6svg6
qt6-translations-l10n
fonts-monapo
dpkg-dev
file
"

# The tests, the benchmarks, the fuzzers and the cross-built engine tests;
# for the end-to-end tests an X server, its tools and ImageMagick to compare
# pictures of the window; for what a screen reader sees, a session bus, the AT-SPI bus and its Python
# client; the Windows edition's cross compiler, installer maker and Wine.
test_packages="
googletest
libgtest-dev
libgmock-dev
libbenchmark-dev
xvfb
xauth
x11-utils
x11-apps
imagemagick
xdotool
xclip
clang
libclang-rt-14-dev
g++-aarch64-linux-gnu
g++-i686-linux-gnu
qemu-user
appstream
desktop-file-utils
lintian
dbus-daemon
at-spi2-core
python3-pyatspi
g++-mingw-w64-x86-64-posix
nsis
wine
wine64
binutils-mingw-w64-x86-64
"

case "${1:-}" in
    "") ;;
    test) packages="$packages $test_packages" ;;
    *) echo "usage: $0 [test]" >&2; exit 2 ;;
esac

missing=""
for package in $packages; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [ "$status" = installed ] || missing="$missing $package"
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    as_root=""
else
    as_root="sudo"
fi
echo "Installing:$missing"
$as_root apt-get update -q
$as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
