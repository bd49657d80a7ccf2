#!/bin/bash
# Checks the built Debian package without changing the machine: apt resolves
# its dependencies in a simulated install, and the program in its unpacked
# files opens its window, with its icon, on a private X server.
set -euo pipefail
deb=$(realpath "$1")
work=$(mktemp -d)
display=:$((100 + RANDOM % 800))
cleanup() {
    kill "${app_pid:-}" "${xvfb_pid:-}" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

depends=$(dpkg-deb -f "$deb" Depends)
recommends=$(dpkg-deb -f "$deb" Recommends)
version=$(dpkg-deb -f "$deb" Version)
echo "Depends: $depends"
echo "Recommends: $recommends"
for package in libqt6widgets6 qt6-qpa-plugins libqt6svg6 'fonts-monapo | fonts-ipafont-gothic'; do
    [[ "$depends" == *"$package"* ]] || fail "the package does not depend on $package"
done
[[ "$recommends" == *qt6-translations-l10n* ]] || fail "the package does not recommend qt6-translations-l10n"

dpkg-deb -x "$deb" "$work/root"
binary=$work/root/usr/bin/mizel4
dynamic=$(readelf -d "$binary")
if grep -E 'RUNPATH|RPATH' <<<"$dynamic"; then
    fail "the installed binary carries a library search path"
fi
# Into a variable first: grep -q leaving a pipe early would fail it under pipefail.
symbols=$(nm -D "$binary")
grep -q BIND_NOW <<<"$dynamic" && grep -q __stack_chk_fail <<<"$symbols" \
    || fail "the binary was built without Debian's hardening flags"
zcat "$work/root/usr/share/doc/mizel4/changelog.Debian.gz" | head -n 1 | grep -qF "mizel4 ($version)" \
    || fail "the changelog's latest entry is not version $version"

# A simulation takes no lock and installs nothing; --reinstall keeps it
# meaningful where a copy of mizel4 is installed already.
apt-get install -s -q -o Debug::NoLocking=true --reinstall "$deb" >"$work/apt.log" 2>&1 \
    || { cat "$work/apt.log"; fail "apt cannot install the package"; }
grep -q '^Inst mizel4 ' "$work/apt.log" || { cat "$work/apt.log"; fail "apt would not install mizel4"; }
if grep -q '^Remv ' "$work/apt.log"; then
    cat "$work/apt.log"
    fail "installing mizel4 would remove packages"
fi

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
# A clean environment, as a desktop session would start it, that finds the
# package's own data first.
env -i DISPLAY="$display" HOME="$work" PATH=/usr/bin:/bin LANG=C.UTF-8 \
    XDG_DATA_DIRS="$work/root/usr/share:/usr/share" \
    "$binary" >"$work/app.log" 2>&1 &
app_pid=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Mizel４$' | head -n 1 || true)
[ -n "$window" ] || { cat "$work/app.log"; fail "the packaged mizel4 showed no window"; }
kill -0 "$app_pid" || fail "mizel4 ended"
icon=$(xprop -id "$window" _NET_WM_ICON)
grep -q 'Icon (' <<<"$icon" || fail "the window has no icon"
echo "deb: $(basename "$deb") $version resolves, and its window 'Mizel４' appeared with its icon"
