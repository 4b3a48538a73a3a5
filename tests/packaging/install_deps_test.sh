#!/usr/bin/env bash
# The run command installs what building and running needs, and nothing the
# tests or the package alone need; the package command adds what the .deb
# needs; the test command installs all. Seen on a machine that has
# nothing: dpkg-query knows no package, and we are not root, so the script
# lists what it would install and stops.
set -euo pipefail
src=$1
fake=$(mktemp -d)
trap 'rm -rf "$fake"' EXIT
printf '#!/bin/sh\nexit 1\n' >"$fake/dpkg-query"
printf '#!/bin/sh\necho 1000\n' >"$fake/id"
printf '#!/bin/sh\necho "apt-get must not run" >&2; exit 99\n' >"$fake/apt-get"
chmod +x "$fake"/*

wants() { { PATH="$fake:$PATH" "$src/scripts/install-deps" "$1" 2>/dev/null || true; } | sed -n 's/^installing: //p' | tr ' ' '\n'; }
run=$(wants run)
package=$(wants package)
test=$(wants test)
fail=0
for p in g++ cmake qt6-base-dev gettext fonts-ipafont-gothic; do
  grep -qx "$p" <<<"$run" || { echo "run does not install $p"; fail=1; }
done
for p in xvfb xdotool imagemagick clang gcovr poppler-utils libgtest-dev lintian; do
  grep -qx "$p" <<<"$run" && { echo "run installs the test-only $p"; fail=1; }
  grep -qx "$p" <<<"$test" || { echo "test does not install $p"; fail=1; }
done
for p in dpkg-dev emscripten; do
  grep -qx "$p" <<<"$run" && { echo "run installs $p, which only the package needs"; fail=1; }
  grep -qx "$p" <<<"$package" || { echo "package does not install $p"; fail=1; }
done
for p in $run; do
  grep -qx "$p" <<<"$package" || { echo "package does not install $p, which building needs"; fail=1; }
done
for p in $package; do
  grep -qx "$p" <<<"$test" || { echo "test does not install $p, which the package test needs"; fail=1; }
done
exit $fail
