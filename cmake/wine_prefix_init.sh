#!/usr/bin/env bash
# Creates a throwaway Wine prefix for the tests: Windows 10, no crash dialog
# or debugger (a crash must end the process with a failure code, not hang),
# unmanaged X11 windows (hide/destroy is slow without a window manager), and
# Wine's Tahoma registered so Latin text has a font to fall back to.
#
#   wine_prefix_init.sh PREFIX [LOG_PIXELS]
#
# LOG_PIXELS, when given, is the display DPI of the prefix.
set -euo pipefail
prefix="$1"
log_pixels="${2:-}"
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

rm -rf "$prefix"
wineboot -i </dev/null >/dev/null 2>&1
wineserver -w

fonts_dir="$prefix/drive_c/windows/Fonts"
mkdir -p "$fonts_dir"
for font in tahoma.ttf tahomabd.ttf; do
  if [[ -f "/usr/share/wine/fonts/$font" ]]; then
    cp -f "/usr/share/wine/fonts/$font" "$fonts_dir/$font"
  fi
done

reg_file="$prefix/quorvel-test.reg"
cat >"$reg_file" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\AeDebug]
"Debugger"="false"
"Auto"="1"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"Decorated"="N"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\Fonts]
"Tahoma (TrueType)"="tahoma.ttf"
"Tahoma Bold (TrueType)"="tahomabd.ttf"
REG
if [[ -n "$log_pixels" ]]; then
  printf '\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"LogPixels"=dword:%08x\n' \
    "$log_pixels" >>"$reg_file"
fi
wine regedit /S "$(winepath -w "$reg_file" 2>/dev/null)" </dev/null >/dev/null 2>&1
winecfg -v win10 </dev/null >/dev/null 2>&1
wineserver -w
