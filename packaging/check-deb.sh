#!/bin/bash
# Builds the Debian package, installs it with apt as a user would and checks
# that the installed mizel4 opens its window. Exits 77 (skipped) when it
# cannot become root without a password.
set -euo pipefail
build=$1
if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif sudo -n true 2>/dev/null; then
    as_root=(sudo -n)
else
    echo "SKIP: installing needs root and sudo asks for a password"
    exit 77
fi

work=$(mktemp -d)
chmod 755 "$work" # apt's sandbox user reads the .deb from here
display=:$((100 + RANDOM % 800))
installed_before=$(dpkg-query -W -f='${db:Status-Status}' mizel4 2>/dev/null || true)
cleanup() {
    kill "${app_pid:-}" "${xvfb_pid:-}" 2>/dev/null || true
    if [ "$installed_before" != installed ]; then
        "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get remove -y -q mizel4 >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >cpack.log) || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/mizel4_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for package in libqt6widgets6 qt6-qpa-plugins qt6-translations-l10n fonts-monapo fonts-ipafont-gothic; do
    [[ "$depends" == *"$package"* ]] || fail "the package does not depend on $package"
done

"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb" >"$work/apt.log" 2>&1 \
    || { cat "$work/apt.log"; fail "apt-get install"; }
for file in /usr/bin/mizel4 /usr/share/applications/io.github.mizel4.Mizel4.desktop \
    /usr/share/icons/hicolor/scalable/apps/io.github.mizel4.Mizel4.svg \
    /usr/share/metainfo/io.github.mizel4.Mizel4.metainfo.xml; do
    [ -f "$file" ] || fail "the package did not install $file"
done

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
# A clean environment, as a desktop session would start it.
env -i DISPLAY="$display" HOME="$work" PATH=/usr/bin:/bin LANG=C.UTF-8 mizel4 >"$work/app.log" 2>&1 &
app_pid=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Mizel４$' | head -n 1 || true)
[ -n "$window" ] || { cat "$work/app.log"; fail "the installed mizel4 showed no window"; }
kill -0 "$app_pid" || fail "mizel4 ended"
echo "deb: installed $(basename "$deb") and its window 'Mizel４' appeared"
