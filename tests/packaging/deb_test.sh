#!/usr/bin/env bash
# The Debian package as CPack builds it: its control fields, that it needs
# every package the programs load at run time, and that it holds exactly the
# files `cmake --install` lays out.
# Usage: deb_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1; then
  cat "$tmp/cpack.log" >&2
  exit 1
fi
shopt -s nullglob
debs=("$tmp"/out/zelvaro_*.deb)
if [ "${#debs[@]}" -ne 1 ]; then
  echo "FAIL: expected one zelvaro_*.deb, found: ${debs[*]}" >&2
  exit 1
fi
deb=${debs[0]}
arch=$(dpkg --print-architecture)
[ "$(basename "$deb")" = "zelvaro_${version}-1_${arch}.deb" ] || fail "unexpected file name $(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = zelvaro ] || fail "Package: $(field Package)"
[ "$(field Version)" = "${version}-1" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
[ "$(field Section)" = science ] || fail "Section: $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"

# Depends: the libraries the programs link (found by dpkg-shlibdeps), and
# what the window loads by itself: the xcb platform plugin, Qt's Japanese
# translation and the gothic font. Each is a real package of this system.
depends=$(field Depends | tr ',' '\n' | sed 's/^ *//; s/[ (].*//')
for needed in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 \
  qt6-qpa-plugins qt6-translations-l10n fonts-ipafont-gothic; do
  grep -qx -- "$needed" <<<"$depends" || fail "Depends lacks $needed: $(field Depends)"
done
for package in $depends; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    fail "Depends names $package, which is not an installed package here"
done

# The files: those of the install tree, under /usr; the programs stripped
# of their debugging information, without a library search path of their own.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $NF}' | sed 's|^\./||' | sort >"$tmp/packaged"
cmake --install "$build" --prefix "$tmp/tree/usr" >/dev/null
(cd "$tmp/tree" && find . -type f -o -type l) | sed 's|^\./||' | sort >"$tmp/installed"
diff -u "$tmp/installed" "$tmp/packaged" >&2 || fail "the package's files differ from the install tree's"
dpkg-deb -x "$deb" "$tmp/root"
# Built with Debian's hardening flags: read-only relocations bound at start,
# the checked string functions and the stack protector. The debugging
# information is kept apart, by build id, beside the package.
for program in zelvaro zelvaro-check; do
  f=$tmp/root/usr/bin/$program
  [ -f "$f" ] || { fail "usr/bin/$program is not packaged"; continue; }
  ! grep -q '\.debug_info' <<<"$(readelf -S "$f")" || fail "usr/bin/$program is not stripped"
  ! grep -q -E 'RPATH|RUNPATH' <<<"$(readelf -d "$f")" || fail "usr/bin/$program has an RPATH or RUNPATH"
  grep -q 'FLAGS.*BIND_NOW' <<<"$(readelf -d "$f")" || fail "usr/bin/$program is not linked with -z now"
  grep -q GNU_RELRO <<<"$(readelf -l "$f")" || fail "usr/bin/$program is not linked with -z relro"
  symbols=$(readelf -W --dyn-syms "$f")
  grep -q '__stack_chk_fail@' <<<"$symbols" || fail "usr/bin/$program has no stack protector"
  grep -q '__[a-z]*_chk@' <<<"$symbols" || fail "usr/bin/$program calls none of the checked (fortified) functions"
  id=$(readelf -n "$f" | sed -n 's/.*Build ID: //p')
  [ -s "$tmp/out/debug/.build-id/${id:0:2}/${id:2}.debug" ] || fail "no debugging information kept for $program"
done
# The licence and changelog Debian asks for, and the example the manual names.
for doc in copyright changelog.Debian.gz examples/schedule.csv; do
  [ -s "$tmp/root/usr/share/doc/zelvaro/$doc" ] || fail "usr/share/doc/zelvaro/$doc is not packaged"
done

# lintian, Debian's own package checker: no error and no warning.
lintian --fail-on error,warning "$deb" >"$tmp/lintian.log" 2>&1 || {
  cat "$tmp/lintian.log" >&2
  fail "lintian reports errors or warnings"
}

if ((failures)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "deb: $(basename "$deb"): all checks passed"
