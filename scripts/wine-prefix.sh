#!/usr/bin/env bash
# Creates the project's Wine prefix: Chinese fonts substituted, code page 936 through the
# caller's zh_CN.UTF-8 locale, D: a fixed drive on a sandbox folder, the host's root (Z:)
# typed as a network drive so that a search of fixed drives can never pick it, and the Windows
# version that each test of a particular version is told. The prefix is stamped with this
# script's content and the Wine packages installed, and made afresh when either changes: a
# prefix made before wine32 was installed runs no program at all. Wine is started through
# QUORRIN_WINE (the wine command, or the 64-bit loader itself where the machine runs no 32-bit
# programs). A prefix that cannot be made ends this script with Wine's own words.
# Usage: wine-prefix.sh PREFIX SANDBOX
set -euo pipefail
prefix=$1
sandbox=$2
stamp=$prefix/.quorrin-ready
wine=${QUORRIN_WINE:-wine}
[[ $wine == wine ]] || export WINELOADER=$wine
want=$({
  cat "${BASH_SOURCE[0]}"
  echo "$wine"
  dpkg-query -W -f='${Package}:${Architecture} ${Version}\n' 'wine32*' 'wine64*' 2>/dev/null || true
} | sha256sum | cut -c1-16)
[[ -f $stamp && $(cat "$stamp") == "$want" ]] && exit 0

exec 9>"$prefix.lock"
flock 9
[[ -f $stamp && $(cat "$stamp") == "$want" ]] && exit 0
if [[ -d $prefix ]]; then
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  rm -rf "$prefix"
fi

export WINEPREFIX=$prefix WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
mkdir -p "$sandbox/d"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
fail() {
  echo "wine-prefix.sh: cannot make the Wine prefix $prefix: $*" >&2
  tail -n 20 "$log" >&2
  exit 1
}
# No Mono or Gecko prompts: the prefix never needs them.
WINEDLLOVERRIDES='mscoree,mshtml=' "$wine" wineboot -i </dev/null >"$log" 2>&1 ||
  fail "'$wine wineboot -i' failed with code $?"

reg() { "$wine" reg add "$@" /f </dev/null >"$log" 2>&1 || fail "'reg add $1 /v $3' failed"; }
reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /v '微软雅黑' /t REG_SZ /d 'WenQuanYi Micro Hei'
reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /v 'Microsoft YaHei' /t REG_SZ /d 'WenQuanYi Micro Hei'
reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /v '宋体' /t REG_SZ /d 'WenQuanYi Micro Hei'
reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /v 'SimSun' /t REG_SZ /d 'WenQuanYi Micro Hei'
reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v 'Tahoma' /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei'
reg 'HKLM\Software\Wine\Drives' /v 'd:' /t REG_SZ /d 'hd'
reg 'HKLM\Software\Wine\Drives' /v 'z:' /t REG_SZ /d 'network'
# Wine tells a program the version named under its executable's file name. Wine 8.0 reports its
# "win7" as a server (product type 3, so Windows Server 2008 R2) and its "win2008r2" as a
# workstation: the Windows 7 that users run is the latter.
reg 'HKCU\Software\Wine\AppDefaults\workflow_xp_test.exe' /v Version /t REG_SZ /d winxp
reg 'HKCU\Software\Wine\AppDefaults\workflow_win7_test.exe' /v Version /t REG_SZ /d win2008r2
ln -sfn "$sandbox/d" "$prefix/dosdevices/d:"
# The server writes the registry out when it ends.
wineserver -w
[[ -f $prefix/system.reg ]] || fail "Wine wrote no registry"
echo "$want" >"$stamp"
