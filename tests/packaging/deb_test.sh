#!/usr/bin/env bash
# The Debian package as CPack builds it: not built without dpkg-shlibdeps;
# its control fields, that it needs every package the programs load at run
# time, that it holds exactly the files `cmake --install` lays out and the
# web page, the notices, lintian's approval, and the same bytes at every
# build. With ZELVARO_CLEAN_INSTALL=1, as root with the Debian mirror at
# hand, it is also installed on a fresh Debian 12 (packaging/check-clean-install:
# a few minutes and 400 MB, so not by default).
# Usage: deb_test.sh BUILD_DIR VERSION SOURCE_DIR
set -euo pipefail
build=$1
version=$2
src=$3

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

package() { cpack -G DEB --config "$build/CPackConfig.cmake" -B "$1" >"$1.log" 2>&1; }

# Without dpkg-shlibdeps, Depends would lack the libraries: no package, and
# the message names what to install.
mkdir "$tmp/bin"
for tool in /usr/bin/* /usr/local/bin/*; do
  [ "$(basename "$tool")" = dpkg-shlibdeps ] || ln -sf "$tool" "$tmp/bin/"
done
if PATH=$tmp/bin package "$tmp/hidden"; then
  fail "the package was built without dpkg-shlibdeps"
fi
grep -q 'install dpkg-dev' "$tmp/hidden.log" || fail "without dpkg-shlibdeps, no word of dpkg-dev: $(tail -5 "$tmp/hidden.log")"
[ -z "$(find "$tmp/hidden" -name '*.deb' 2>/dev/null)" ] || fail "a .deb was left without dpkg-shlibdeps"

if ! package "$tmp/out"; then
  cat "$tmp/out.log" >&2
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
# The web page comes with the package alone, built by it.
web=usr/share/zelvaro/web
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $NF}' | sed 's|^\./||' | sort >"$tmp/packaged"
cmake --install "$build" --prefix "$tmp/tree/usr" >/dev/null
(cd "$tmp/tree" && find . -type f -o -type l) | sed 's|^\./||' | sort >"$tmp/installed"
grep -v "^$web/" "$tmp/packaged" | diff -u "$tmp/installed" - >&2 || fail "the package's files differ from the install tree's"
dpkg-deb -x "$deb" "$tmp/root"
for page in index.html LICENSE.txt THIRD-PARTY-NOTICES.txt; do
  [ -s "$tmp/root/$web/$page" ] || fail "$web/$page is not packaged"
done
cmp -s "$tmp/root/$web/LICENSE.txt" "$src/LICENSE" || fail "the page's LICENSE.txt is not the project's"
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
# The vendored power function under its own copyright and licence.
copyright=$tmp/root/usr/share/doc/zelvaro/copyright
grep -q '^Files: engine/pow/' "$copyright" && grep -q 'Arm Limited' "$copyright" ||
  fail "copyright does not name the vendored power function (engine/pow/)"

# lintian, Debian's own package checker: no error and no warning.
lintian --fail-on error,warning "$deb" >"$tmp/lintian.log" 2>&1 || {
  cat "$tmp/lintian.log" >&2
  fail "lintian reports errors or warnings"
}

# Built again from the same tree: the same bytes.
package "$tmp/again" || { cat "$tmp/again.log" >&2; exit 1; }
cmp "$deb" "$tmp/again/$(basename "$deb")" >&2 || fail "two builds of the package differ"

# On a fresh Debian 12, when asked for and possible.
if [ "${ZELVARO_CLEAN_INSTALL:-}" != 1 ]; then
  echo "clean install skipped: set ZELVARO_CLEAN_INSTALL=1 (root, the Debian mirror, debootstrap; a few minutes)"
elif [ "$(id -u)" -ne 0 ] || ! command -v debootstrap >/dev/null; then
  echo "clean install skipped: needs root and debootstrap"
elif ! curl -fsI "${DEBIAN_MIRROR:-http://deb.debian.org/debian}/dists/bookworm/Release" >/dev/null 2>&1; then
  echo "clean install skipped: the Debian mirror is out of reach"
else
  "$src/packaging/check-clean-install" "$deb" "$tmp/clean-install.png" >&2 || fail "the clean install failed"
fi

if ((failures)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "deb: $(basename "$deb"): all checks passed"
