#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need on a Debian 12 machine,
# and cross-builds the libraries that Debian does not ship for MinGW-w64 from Debian's
# own source packages. Idempotent: the cross-built prefix lives outside the clone, keyed by
# everything it is built from, so a second run (or a fresh clone) takes seconds. Runs at the
# same time take turns: one builds while the others wait and then use its prefix, which
# appears whole or not at all.
# Usage: setup-deps.sh [x86_64|i686] (default x86_64): one prefix for each architecture, both
# built for Windows XP SP3 and later.
# Prints the prefix path as its last line.
set -euo pipefail

arch=${1:-x86_64}
case $arch in
  x86_64) debarch=x86-64 ;;
  i686) debarch=i686 ;;
  *)
    echo "usage: setup-deps.sh [x86_64|i686]" >&2
    exit 2
    ;;
esac
# The oldest Windows the program runs on: nothing built here may call anything newer unchecked.
winnt=0x0501

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cache_root=${QUORRIN_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quorrin-deps}
log() { echo "[setup] $*" >&2; }
mkdir -p "$cache_root"

packages=(
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 g++-mingw-w64-i686-posix
  binutils-mingw-w64-i686 libz-mingw-w64-dev cmake ninja-build dpkg-dev xz-utils
  autoconf automake libtool
  wine wine64 xvfb xauth xdotool x11-utils imagemagick fonts-wqy-microhei locales
  nginx-light python3 python3-pil python3-nacl clang-format googletest curl iproute2
  openssl python3-cryptography tinyproxy
)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
# The system's 32-bit loader (libc6-i386, an amd64 package) answers whether this machine runs
# 32-bit programs at all. Wine's 32-bit loader (wine32, an i386 package) is installed only where
# it does: Debian's wine command picks it whenever it is there, and it then starts no program,
# 64-bit ones included.
packages+=(libc6-i386)
wants_wine32() {
  installed libc6-i386 && no_32bit=$(bash "$here/runs-32bit.sh")
}
foreign_ready() { dpkg --print-foreign-architectures | grep -qx i386; }
list_missing() {
  missing=()
  local p
  for p in "$@"; do
    installed "$p" || missing+=("$p")
  done
}
no_32bit=
wants_wine32 && packages+=(wine32:i386)
list_missing "${packages[@]}"
locale_ready() { locale -a 2>/dev/null | grep -qi '^zh_CN\.utf8$'; }
src_list=/etc/apt/sources.list.d/quorrin-deb-src.sources

# None before the source lists have been fetched: the key then names no prefix, and the lists
# are fetched before the build.
source_versions() {
  { apt-cache showsrc "$1" 2>/dev/null || true; } | sed -n 's/^Version: //p' | sort -rV | uniq
}
installed_version() { dpkg-query -W -f='${Version}' "$1"; }
# The prefix is keyed on everything it is built from: this script; the six source packages,
# by the versions APT offers (the build takes the newest a mirror serves, and versions.txt says
# which); the Boost headers' and the CA certificates' packages; the cross compiler with its
# runtime; zlib and GoogleTest.
read_inputs() {
  local p
  boost_headers=$(apt-cache show --no-all-versions libboost1.81-dev | sed -n 's/^Version: //p')
  ca_version=$(apt-cache show --no-all-versions ca-certificates | sed -n 's/^Version: //p')
  inputs="script $(sha256sum <"$here/setup-deps.sh" | cut -d' ' -f1)"
  inputs+=$'\n'"arch $arch $winnt"
  for p in boost1.81 curl libpng1.6 libsodium mbedtls mingw-w64; do
    inputs+=$'\n'"$p $(source_versions "$p" | tr '\n' ' ')"
  done
  inputs+=$'\n'"libboost1.81-dev $boost_headers"
  inputs+=$'\n'"ca-certificates $ca_version"
  for p in g++-mingw-w64-$debarch-posix mingw-w64-$debarch-dev libz-mingw-w64-dev googletest; do
    inputs+=$'\n'"$p $(installed_version "$p")"
  done
  prefix=$cache_root/$(sha256sum <<<"$inputs" | cut -c1-16)
}

# A machine set up before needs no lock: a finished prefix never changes.
if ((${#missing[@]} == 0)) && locale_ready && [[ -f $src_list ]] && read_inputs 2>/dev/null &&
  [[ -f $prefix/.complete ]]; then
  echo "$prefix"
  exit 0
fi

# APT, dpkg and the build allow one run at a time; the others wait here.
exec 9>"$cache_root/setup.lock"
if ! flock -n 9; then
  log "waiting for another set-up run to finish"
  flock 9
fi

apt_updated=0
install_missing() {
  ((${#missing[@]})) || return 0
  log "installing: ${missing[*]}"
  if ((!apt_updated)); then
    apt-get update -q >&2
    apt_updated=1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" >&2
}
install_missing
if wants_wine32; then
  if ! foreign_ready; then
    log "adding the i386 architecture for the 32-bit Wine loader"
    dpkg --add-architecture i386
    apt_updated=0
  fi
  list_missing wine32:i386
  install_missing
else
  log "no 32-bit Wine on this machine, only the 64-bit loader: $no_32bit"
fi

# Wine maps LANG=zh_CN.UTF-8 to code page 936; glibc needs the locale generated for that.
if ! locale_ready; then
  log "generating the zh_CN.UTF-8 locale"
  sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >&2
fi

# Source packages need a deb-src entry: derive it from the machine's own Debian entries.
if [[ ! -f $src_list ]]; then
  log "adding deb-src entries derived from the existing APT sources"
  if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
    sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > "$src_list"
  else
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' > /etc/apt/sources.list.d/quorrin-deb-src.list
    : > "$src_list"
  fi
  apt_updated=0
fi

read_inputs
# Package lists older than the mirror can name sources it no longer serves: a prefix that is
# still to be built is keyed on fresh ones.
if [[ ! -f $prefix/.complete ]] && ((!apt_updated)); then
  apt-get update -q >&2
  read_inputs
fi
if [[ -f $prefix/.complete ]]; then
  echo "$prefix"
  exit 0
fi

# Everything is installed under the final path inside a private stage (DESTDIR), so the paths
# the libraries record are the final ones, and the stage is renamed into place only when whole.
work=$(mktemp -d)
# Stages of runs that were killed before their clean-up; no other run builds while this one
# holds the lock.
rm -rf "$cache_root"/.stage.*
stage=$(mktemp -d "$cache_root/.stage.XXXXXX")
trap 'rm -rf "$work" "$stage"' EXIT
dest=$stage$prefix
mkdir -p "$dest"/{include,lib}
jobs=$(nproc)
cross=$arch-w64-mingw32
cxx=$cross-g++-posix
cc=$cross-gcc-posix

cd "$work"
log "fetching Debian packages"
apt-get download "libboost1.81-dev=$boost_headers" "ca-certificates=$ca_version" >&2
# A mirror may lack the newest source of a package (a security update, say): try every
# version APT knows of, newest first.
fetch_source() {
  local v
  for v in $(apt-cache showsrc "$1" | sed -n 's/^Version: //p' | sort -rV | uniq); do
    apt-get source --download-only "$1=$v" >&2 && return 0
    rm -f "$1"_*
  done
  echo "cannot fetch the source package $1" >&2
  return 1
}
for p in boost1.81 curl libpng1.6 libsodium mbedtls mingw-w64; do fetch_source "$p"; done

log "winpthreads for Windows XP"
# Debian's is built for Vista and imports GetTickCount64: this one is linked in its place (the
# prefix's lib comes first on the link line).
dpkg-source -x mingw-w64_*.dsc mingw-src >/dev/null
mkdir wp-build
(cd wp-build && ../mingw-src/mingw-w64-libraries/winpthreads/configure --host=$cross \
  --prefix="$prefix" --disable-shared --enable-static CFLAGS="-O2 -D_WIN32_WINNT=$winnt" >&2)
make -C wp-build -j"$jobs" >&2
make -C wp-build install DESTDIR="$stage" >&2

log "Boost headers"
dpkg -x libboost1.81-dev_*.deb boost-dev
cp -r boost-dev/usr/include/boost "$dest/include/"

log "Boost.Thread and Boost.Filesystem"
tar xf boost1.81_*.orig.tar.* --wildcards '*/libs/thread/src/*' '*/libs/filesystem/src/*' \
  '*/LICENSE_1_0.txt'
bsrc=$(ls -d boost*/ | grep -v boost-dev | head -n1)
bflags=(-std=c++17 -O2 -I"$dest/include" -D_WIN32_WINNT=$winnt -DBOOST_THREAD_BUILD_LIB
  -DBOOST_FILESYSTEM_STATIC_LINK
  -DBOOST_ALL_NO_LIB -DBOOST_FILESYSTEM_NO_CXX20_ATOMIC_REF -w)
mkdir -p obj/thread obj/fs
# Each compile is waited for by its own PID: a bare `wait` answers 0 whatever the compilers did,
# and an archive missing a failed or killed compile's object would pass for a whole library.
pids=()
for f in win32/thread.cpp win32/thread_primitives.cpp win32/tss_pe.cpp future.cpp; do
  $cxx "${bflags[@]}" -c "$bsrc/libs/thread/src/$f" -o "obj/thread/$(basename "$f" .cpp).o" &
  pids+=($!)
done
for f in "$bsrc"/libs/filesystem/src/*.cpp; do
  $cxx "${bflags[@]}" -I"$bsrc/libs/filesystem/src" -c "$f" -o "obj/fs/$(basename "$f" .cpp).o" &
  pids+=($!)
done
failed=0
for pid in "${pids[@]}"; do
  wait "$pid" || failed=$((failed + 1))
done
if ((failed)); then
  echo "$failed of ${#pids[@]} Boost compiles failed" >&2
  exit 1
fi
$cross-ar rcs "$dest/lib/libboost_thread.a" obj/thread/*.o
$cross-ar rcs "$dest/lib/libboost_filesystem.a" obj/fs/*.o

log "mbedTLS"
# The TLS library is the same on every Windows: XP's own (Schannel) speaks TLS 1.0 at most, which
# servers now refuse. Versions below TLS 1.2 are not built at all, so that no setting can fall
# back to them. It draws its random bytes from CryptGenRandom, which XP has. Its own printf
# stand-ins for old C runtimes call _vsnprintf_s, which XP's msvcrt.dll lacks: MinGW's conforming
# snprintf serves instead. Its sockets, its timer (a thread of its own) and its self-test are
# libcurl's business or nobody's, and are left out.
dpkg-source -x mbedtls_*.dsc mbedtls-src >/dev/null
mbedtls_config() { (cd mbedtls-src && python3 scripts/config.py "$@"); }
mbedtls_config unset MBEDTLS_SSL_PROTO_TLS1
mbedtls_config unset MBEDTLS_SSL_PROTO_TLS1_1
mbedtls_config unset MBEDTLS_SSL_CBC_RECORD_SPLITTING
mbedtls_config set MBEDTLS_PLATFORM_SNPRINTF_MACRO snprintf
mbedtls_config set MBEDTLS_PLATFORM_VSNPRINTF_MACRO vsnprintf
mbedtls_config unset MBEDTLS_NET_C
mbedtls_config unset MBEDTLS_TIMING_C
mbedtls_config unset MBEDTLS_SELF_TEST
cmake -S mbedtls-src -B mbedtls-build -G Ninja -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_C_COMPILER=$cc \
  -DCMAKE_C_FLAGS="-D_WIN32_WINNT=$winnt" -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DCMAKE_BUILD_TYPE=Release -DENABLE_PROGRAMS=OFF -DENABLE_TESTING=OFF -DGEN_FILES=OFF \
  -DUSE_SHARED_MBEDTLS_LIBRARY=OFF -DUSE_STATIC_MBEDTLS_LIBRARY=ON -DMBEDTLS_FATAL_WARNINGS=OFF >&2
cmake --build mbedtls-build >&2
DESTDIR=$stage cmake --install mbedtls-build >&2

log "libcurl (mbedTLS, zlib, static, HTTP and HTTPS only)"
dpkg-source -x curl_*.dsc curl-src >/dev/null
# Every protocol but HTTP(S) is left out so that a redirect from a mirror can never lead the
# download anywhere else; option checking is fatal so that a mistyped switch cannot quietly
# leave one in. No CA file or folder is compiled in: the program hands its own bundle over.
# Built for XP, libcurl draws its random bytes, takes its lock and parses addresses with what XP
# offers instead of BCryptGenRandom, SRW locks, inet_pton and inet_ntop.
(cd curl-src && ./configure --host=$cross CC=$cc CPPFLAGS="-D_WIN32_WINNT=$winnt" \
  --prefix="$prefix" --enable-option-checking=fatal \
  --without-schannel --with-mbedtls="$dest" --without-ca-bundle --without-ca-path \
  --with-zlib --disable-shared --enable-static \
  --without-libpsl --without-brotli --without-zstd --without-libidn2 --without-nghttp2 \
  --without-librtmp --without-libssh2 --without-libssh --without-wolfssh --without-libgsasl \
  --disable-ftp --disable-file --disable-ldap --disable-ldaps --disable-rtsp --disable-dict \
  --disable-telnet --disable-tftp --disable-pop3 --disable-imap --disable-smb --disable-smtp \
  --disable-gopher --disable-mqtt --disable-websockets --disable-manual >&2)
make -C curl-src/lib -j"$jobs" >&2
make -C curl-src/lib install DESTDIR="$stage" >&2
make -C curl-src/include install DESTDIR="$stage" >&2
make -C curl-src install-binSCRIPTS install-pkgconfigDATA DESTDIR="$stage" >&2
protocols=$(sh "$dest/bin/curl-config" --protocols | tr '\n' ' ')
if [[ $protocols != "HTTP HTTPS " ]]; then
  echo "libcurl was built with protocols other than HTTP and HTTPS: $protocols" >&2
  exit 1
fi
if ! sh "$dest/bin/curl-config" --ssl-backends | grep -qx mbedTLS; then
  echo "libcurl was not built on mbedTLS: $(sh "$dest/bin/curl-config" --ssl-backends)" >&2
  exit 1
fi

log "CA certificates"
# Debian's selection of the Mozilla roots, one PEM bundle that the program carries inside itself:
# XP's own root store has not been updated for years.
dpkg -x ca-certificates_*.deb ca-certs
mkdir -p "$dest/share"
find ca-certs/usr/share/ca-certificates/mozilla -name '*.crt' | LC_ALL=C sort | xargs cat \
  >"$dest/share/ca-bundle.pem"
ca_count=$(grep -c 'BEGIN CERTIFICATE' "$dest/share/ca-bundle.pem")
if ((ca_count < 100)); then
  echo "the CA bundle holds only $ca_count certificates" >&2
  exit 1
fi

log "libpng"
dpkg-source -x libpng1.6_*.dsc png-src >/dev/null
cmake -S png-src -B png-build -G Ninja -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_C_COMPILER=$cc \
  -DCMAKE_RC_COMPILER=$cross-windres -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_TOOLS=OFF \
  -DZLIB_INCLUDE_DIR=/usr/$cross/include -DZLIB_LIBRARY=/usr/$cross/lib/libz.a >&2
cmake --build png-build >&2
DESTDIR=$stage cmake --install png-build >&2
# The PNG reference images ship in the same source package; the decoder tests read them.
mkdir -p "$dest/share/pngsuite"
cp -r png-src/contrib/pngsuite png-src/contrib/testpngs "$dest/share/pngsuite/"

log "libsodium"
# Ed25519 verification of the configuration and SHA-256 of the image. Its own stack protector
# would need libssp beside the program; the compiler's defaults are those of the other libraries.
# Its source package carries no configure script: Debian's own build makes one with autoreconf.
dpkg-source -x libsodium_*.dsc sodium-src >/dev/null
(cd sodium-src && autoreconf -fi >&2 && ./configure --host=$cross CC=$cc CPPFLAGS="-D_WIN32_WINNT=$winnt" \
  --prefix="$prefix" --disable-shared --enable-static --disable-ssp >&2)
make -C sodium-src -j"$jobs" >&2
make -C sodium-src install DESTDIR="$stage" >&2

log "GoogleTest"
cmake -S /usr/src/googletest -B gtest-build -G Ninja -DCMAKE_SYSTEM_NAME=Windows \
  -DCMAKE_C_COMPILER=$cc -DCMAKE_CXX_COMPILER=$cxx -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DCMAKE_CXX_FLAGS="-D_WIN32_WINNT=$winnt" -DCMAKE_BUILD_TYPE=Release \
  -Dgtest_disable_pthreads=OFF -DBUILD_SHARED_LIBS=OFF >&2
cmake --build gtest-build >&2
DESTDIR=$stage cmake --install gtest-build >&2

log "versions and licenses"
# The release package lists what was linked into the program (DEPENDENCIES.txt) and carries
# the licenses that ask to travel with a binary.
upstream() { local v=${1#*:}; v=${v%-*}; v=${v%%~*}; echo "${v%%+*}"; }
dsc_version() { sed -n 's/^Version: //p' "$1"_*.dsc | head -n1; }
boost_src=$(dsc_version boost1.81)
boost_hdr=$(dpkg-deb -f libboost1.81-dev_*.deb Version)
curl_src=$(dsc_version curl)
png_src=$(dsc_version libpng1.6)
sodium_src=$(dsc_version libsodium)
mbedtls_src=$(dsc_version mbedtls)
zlib_bin=$(installed_version libz-mingw-w64-dev)
mingw_bin=$(installed_version mingw-w64-$debarch-dev)
mingw_src=$(dsc_version mingw-w64)
gcc_bin=$(installed_version g++-mingw-w64-$debarch-posix)
gtest_bin=$(installed_version googletest)
row() { printf '%-28s %-9s %s\n' "$@"; }
{
  echo "Built by scripts/setup-deps.sh from Debian 12 packages for $arch Windows (XP SP3 and later)"
  echo "and linked statically into the program."
  row "Component" "Version" "Debian package"
  row "Boost (Thread, Filesystem)" "$(upstream "$boost_src")" "boost1.81 $boost_src (source), libboost1.81-dev $boost_hdr (headers)"
  row "libcurl" "$(upstream "$curl_src")" "curl $curl_src (source); mbedTLS, zlib; protocols: ${protocols% }"
  row "mbedTLS" "$(upstream "$mbedtls_src")" "mbedtls $mbedtls_src (source); TLS 1.2 only"
  row "CA certificates" "$(upstream "$ca_version")" "ca-certificates $ca_version ($ca_count roots, inside the program)"
  row "libpng" "$(upstream "$png_src")" "libpng1.6 $png_src (source)"
  row "libsodium" "$(upstream "$sodium_src")" "libsodium $sodium_src (source)"
  row "zlib" "$(upstream "$zlib_bin")" "libz-mingw-w64-dev $zlib_bin"
  row "MinGW-w64 runtime" "$(upstream "$mingw_bin")" "mingw-w64-$debarch-dev $mingw_bin (CRT)"
  row "winpthreads" "$(upstream "$mingw_src")" "mingw-w64 $mingw_src (source, built for Windows XP)"
  row "GCC runtime" "$(upstream "$gcc_bin")" "g++-mingw-w64-$debarch-posix $gcc_bin (libstdc++, libgcc)"
  echo
  echo "Used by the tests only, not part of the program:"
  row "GoogleTest" "$(upstream "$gtest_bin")" "googletest $gtest_bin (source, cross-compiled)"
} > "$dest/versions.txt"
echo "$inputs" >"$dest/inputs.txt"
licenses=$dest/share/licenses
mkdir -p "$licenses"
cp "$bsrc/LICENSE_1_0.txt" "$licenses/Boost.txt"
cp curl-src/COPYING "$licenses/libcurl.txt"
cp png-src/LICENSE "$licenses/libpng.txt"
cp sodium-src/LICENSE "$licenses/libsodium.txt"
cp mbedtls-src/LICENSE "$licenses/mbedTLS.txt"
cp ca-certs/usr/share/doc/ca-certificates/copyright "$licenses/ca-certificates.txt"
cp /usr/share/doc/libz-mingw-w64-dev/copyright "$licenses/zlib.txt"
cp /usr/share/doc/mingw-w64-$debarch-dev/copyright "$licenses/MinGW-w64.txt"

touch "$dest/.complete"
mv -T "$dest" "$prefix"
log "dependencies ready in $prefix"
echo "$prefix"
