#!/bin/sh
# Installs with apt-get whatever building, running and testing Mizel４ needs;
# does nothing when everything is there. Works as root or through sudo.
set -e

packages="cmake make g++ pkg-config qt6-base-dev libxcb1-dev qt6-translations-l10n googletest libgtest-dev libgmock-dev
libbenchmark-dev fonts-monapo fonts-ipafont-gothic xvfb xauth x11-utils xdotool xclip
clang libclang-rt-14-dev appstream dpkg-dev file
g++-aarch64-linux-gnu g++-i686-linux-gnu qemu-user"
# Tests of what a screen reader sees: a session bus, the AT-SPI bus, its Python client.
packages="$packages dbus-daemon at-spi2-core python3-pyatspi"

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
$as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q $missing
