#!/usr/bin/env bash
# Builds the Debian package of this build, unpacks it into a scratch root and proves the unpacked
# tree complete and relocatable: the package lists programs, libraries, headers, man pages,
# completion, the service and the conffiles; the unpacked tarrow lists the modules of the
# unpacked tarrow-simd and shows their pages through the unpacked page provider; the sample
# application builds from the unpacked headers with pkg-config and with find_package, and finds
# the same modules.
# Arguments: the build folder.
set -euo pipefail
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
simd_pid=
cleanup() {
  if [[ -n $simd_pid ]]; then
    kill "$simd_pid" 2>/dev/null || true
    wait "$simd_pid" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/pkg" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log"; fail "cpack"; }
deb=$(ls "$scratch"/pkg/tarrow_*.deb)

contents=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
for path in ./usr/bin/tarrow ./usr/bin/tarrow-simd ./usr/lib/libvtx.so.5 ./usr/lib/libvtx.so \
  ./usr/lib/libcrvnTdevpp.so ./usr/lib/libtarrowhm.so ./usr/include/tarrow/vtx.h \
  ./usr/lib/pkgconfig/tarrow.pc ./usr/lib/cmake/Tarrow/TarrowConfig.cmake \
  ./usr/share/man/man8/tarrow.8.gz ./usr/share/man/man8/tarrow-simd.8.gz \
  ./usr/share/man/man5/cvcall.cfg.5.gz ./usr/share/man/man5/callctrl.cfg.5.gz \
  ./usr/share/man/man5/tarrow-machine.5.gz ./usr/share/bash-completion/completions/tarrow \
  ./usr/lib/systemd/system/tarrow-simd.service ./usr/share/tarrow/boards/chassis4.cfg \
  ./etc/corvane/registry.reg ./etc/corvane/cvcall.cfg ./etc/corvane/CV_CPARM.CFG \
  ./etc/default/tarrow-simd; do
  grep -qxF -- "$path" <<<"$contents" || fail "the package lacks $path"
done
dpkg-deb -f "$deb" Depends | grep -q 'libace' || fail "the package's dependencies name no ACE"
dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles >"$scratch/conffiles"
diff <(sort "$scratch/conffiles") <(printf '%s\n' /etc/corvane/CV_CPARM.CFG /etc/corvane/cvcall.cfg \
  /etc/corvane/registry.reg /etc/default/tarrow-simd | sort) ||
  fail "conffiles"

root=$scratch/root
dpkg -x "$deb" "$root"
if readelf -d "$root/usr/bin/tarrow" "$root/usr/lib/libcrvnTdevpp.so" | grep -F "$build"; then
  fail "an unpacked file points into the build tree"
fi

# The unpacked daemon on a socket of the scratch folder, serving a shipped machine file.
socket=$scratch/simd.sock
env -u LD_LIBRARY_PATH "$root/usr/bin/tarrow-simd" --socket "$socket" \
  --board "$root/usr/share/tarrow/boards/chassis4.cfg" 2>"$scratch/simd.log" &
simd_pid=$!
for _ in $(seq 100); do
  [[ -S $socket ]] && break
  kill -0 "$simd_pid" 2>/dev/null || { cat "$scratch/simd.log"; fail "tarrow-simd ended"; }
  sleep 0.1
done
[[ -S $socket ]] || fail "tarrow-simd made no socket in 10 s"

export TARROW_DRIVER=sim:$socket
modules=$(env -u LD_LIBRARY_PATH timeout 20 "$root/usr/bin/tarrow" modules --json)
count=$(grep -c '"module": ' <<<"$modules") || true
[[ $count == 4 ]] || fail "the unpacked tarrow listed $count modules of chassis4.cfg: $modules"

# The page provider loads from the unpacked library folder and reads the unpacked registry file.
pages=$(cd "$scratch" && env -u LD_LIBRARY_PATH -u TARROW_PROVIDER \
  CRVN_REGISTRY="$root/etc/corvane/registry.reg" timeout 30 "$root/usr/bin/tarrow" details --json)
count=$(grep -o '"title": "[^"]* - Module 0x2[0-3]"' <<<"$pages" | wc -l)
[[ $count == 4 ]] || fail "the unpacked tarrow details showed $count pages: $pages"
grep -q '"configure_visible": true' <<<"$pages" || fail "the unpacked registry file hid the Configure button"

# The sample application, from the unpacked headers and library only.
export PKG_CONFIG_PATH=$root/usr/lib/pkgconfig
cflags=$(pkg-config --cflags tarrow)
[[ $cflags == *"$root"* ]] || fail "pkg-config answers outside the unpacked tree: $cflags"
cc -std=c99 -Wall -Wextra -Werror "$root/usr/share/tarrow/examples/list_modules.c" $cflags \
  $(pkg-config --libs tarrow) -o "$scratch/list_modules"
listed=$(LD_LIBRARY_PATH=$root/usr/lib timeout 20 "$scratch/list_modules")
grep -qx '4 modules' <<<"$listed" || fail "the sample application listed: $listed"

cmake -S "$root/usr/share/tarrow/examples" -B "$scratch/sample" -DCMAKE_PREFIX_PATH="$root/usr" \
  >"$scratch/sample.log" 2>&1 || { cat "$scratch/sample.log"; fail "find_package(Tarrow)"; }
cmake --build "$scratch/sample" >>"$scratch/sample.log" 2>&1 || { cat "$scratch/sample.log"; fail "sample build"; }
listed=$(timeout 20 "$scratch/sample/list_modules")
grep -qx '4 modules' <<<"$listed" || fail "the sample application built with CMake listed: $listed"

kill "$simd_pid"
wait "$simd_pid" || fail "tarrow-simd ended with status $? on SIGTERM"
simd_pid=
[[ ! -e $socket ]] || fail "tarrow-simd left its socket behind"
echo "package $(basename "$deb"): $(wc -l <<<"$contents") entries, unpacked tree serves and runs"
