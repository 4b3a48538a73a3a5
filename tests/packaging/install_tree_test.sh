#!/usr/bin/env bash
# What `cmake --install` lays out, read by the tools a Debian desktop reads it
# with: the two programs, the menu entry, the icons (the same picture as the
# SVG they come from), the AppStream metadata and the manual pages.
# Usage: install_tree_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
# Runs a validator that fails on errors and warnings.
valid() {
  local out
  out=$("$@" 2>&1) || fail "$*"$'\n'"$out"
}
# Runs one that only prints its hints and warnings: any output is a failure.
quiet() {
  local out
  if ! out=$("$@" 2>&1) || [ -n "$out" ]; then
    fail "$*"$'\n'"$out"
  fi
}

cmake --install "$build" --prefix "$tmp/usr" >/dev/null
usr=$tmp/usr
share=$usr/share

# The programs, runnable from the install tree.
for program in zelvaro zelvaro-check; do
  [ -x "$usr/bin/$program" ] || fail "bin/$program is missing or not executable"
done
"$usr/bin/zelvaro-check" --help >/dev/null || fail "the installed zelvaro-check does not run"
# ... and finds its Japanese messages beside it, in share/locale.
japanese_help=$(LC_ALL=C.UTF-8 LANGUAGE=ja "$usr/bin/zelvaro-check" --help)
[[ $japanese_help == 使い方:* ]] ||
  fail "the installed zelvaro-check does not find its Japanese messages"

# The menu entry: valid, in Japanese with an English fallback, starting an
# installed program with an installed icon.
desktop=$share/applications/zelvaro.desktop
if [ -f "$desktop" ]; then
  quiet desktop-file-validate "$desktop"
  key() { sed -n "s/^$1=//p" "$desktop"; }
  [ -x "$usr/bin/$(key Exec | cut -d' ' -f1)" ] || fail "Exec= names no installed program"
  [ -f "$share/icons/hicolor/scalable/apps/$(key Icon).svg" ] || fail "Icon= names no installed icon"
  for k in Name 'Name\[ja\]' Comment 'Comment\[ja\]'; do
    [ -n "$(key "$k")" ] || fail "the desktop entry has no $k"
  done
  key 'Name\[ja\]' | grep -q 'アンカーボルト' || fail "Name[ja] is not Japanese"
  key Categories | tr ';' '\n' | grep -qx Engineering || fail "the entry is not in Engineering"
else
  fail "share/applications/zelvaro.desktop is missing"
fi

# AppStream: the file alone, and the tree it points into (desktop entry,
# icons).
metainfo=$(find "$share/metainfo" -name '*.metainfo.xml' 2>/dev/null)
if [ "$(printf '%s\n' "$metainfo" | grep -c .)" -eq 1 ]; then
  valid appstreamcli validate --no-net --no-color "$metainfo"
  valid appstreamcli validate-tree --no-net --no-color "$tmp"
  grep -q '<launchable type="desktop-id">zelvaro.desktop</launchable>' "$metainfo" ||
    fail "the metainfo does not launch zelvaro.desktop"
  grep -q 'xml:lang="ja"' "$metainfo" || fail "the metainfo has no Japanese text"
else
  fail "expected one metainfo file under share/metainfo, found: $metainfo"
fi

# The icons: every usual size, each the SVG rendered at that size.
svg=$share/icons/hicolor/scalable/apps/zelvaro.svg
[ -f "$svg" ] || fail "the SVG icon is missing"
for size in 16 22 24 32 48 64 128 256; do
  png=$share/icons/hicolor/${size}x${size}/apps/zelvaro.png
  if [ ! -f "$png" ]; then
    fail "the ${size}px icon is missing"
    continue
  fi
  [ "$(identify -format '%wx%h' "$png")" = "${size}x${size}" ] || fail "the ${size}px icon has another size"
  rsvg-convert --width "$size" --height "$size" "$source/packaging/icons/zelvaro.svg" --output "$tmp/fresh.png"
  differing=$(compare -metric AE "$png" "$tmp/fresh.png" null: 2>&1) || true
  [ "$differing" = 0 ] || fail "the ${size}px icon differs from the SVG ($differing pixels): run packaging/render-icons"
done

# Manual pages: formatted without a warning; zelvaro-check's documents every
# option that its --help lists.
for gz in man1/zelvaro.1.gz man1/zelvaro-check.1.gz ja/man1/zelvaro.1.gz ja/man1/zelvaro-check.1.gz; do
  if [ -f "$share/man/$gz" ]; then
    quiet sh -c "gzip -dc '$share/man/$gz' | groff -k -man -Tutf8 -ww -z"
  else
    fail "share/man/$gz is missing"
  fi
done
# The bash completion, where bash-completion looks, completes the options.
completion=$share/bash-completion/completions/zelvaro-check
if [ -f "$completion" ]; then
  words=$(bash -c "source '$completion'; COMP_WORDS=(zelvaro-check --out); COMP_CWORD=1; _zelvaro_check; printf '%s\\n' \"\${COMPREPLY[@]}\" | sort | xargs")
  [ "$words" = "--output --output-encoding" ] || fail "the completion of --out gives: $words"
else
  fail "share/bash-completion/completions/zelvaro-check is missing"
fi
page=$share/man/man1/zelvaro-check.1.gz
if [ -f "$page" ]; then
  documented=$(gzip -dc "$page" | sed 's/\\-/-/g')
  for option in $("$usr/bin/zelvaro-check" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -q -- "$option\b" <<<"$documented" || fail "the manual page does not document $option"
  done
fi

if ((failures)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "install tree: all checks passed"
