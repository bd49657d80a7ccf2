#!/bin/bash
# Runs the installer silently under Wine (in the prefix WINEPREFIX names), as
# Windows would: the program, its Start-menu entry and its uninstall entry must
# appear, and the uninstaller must take all of them away again.
set -euo pipefail
installer=$1
program=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
folder="$WINEPREFIX/drive_c/Program Files/Mizel4"
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Mizel４.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Mizel4'

wine "$installer" /S
cmp -s "$folder/mizel4.exe" "$program" || fail "mizel4.exe not installed"
[ -f "$folder/LICENSE.txt" ] || fail "no licence installed"
grep -aqi 'Program Files\\Mizel4\\mizel4.exe' "$shortcut" || fail "no Start-menu entry for the program"
wine reg query "$key" /v UninstallString | grep -q 'Mizel4\\uninstall.exe' || fail "no uninstall entry"

# The uninstaller runs on from a copy of itself, so wait for it.
wine "$folder/uninstall.exe" /S
for _ in $(seq 150); do [ -e "$folder" ] || break; sleep 0.2; done
[ ! -e "$folder" ] || fail "program folder left: $(ls "$folder")"
[ ! -e "$shortcut" ] || fail "Start-menu entry left"
! wine reg query "$key" >/dev/null 2>&1 || fail "uninstall entry left"
echo "installed, found in the Start menu and uninstalled"
