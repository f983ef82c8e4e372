#!/usr/bin/env bash
# Installs the build into a fresh prefix and uses it from another folder, as a user would:
# the programs through their links in bin/, the profiles from share/markwise/, the manual pages
# and completions where man and bash find them.
#   tests/install_test.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$prefix" "$work"' EXIT

cmake --install "$build" --prefix "$prefix" > /dev/null
fail() { echo "install test: $*" >&2; exit 1; }

for program in markwise-check markwise-cfg; do
  [[ -L $prefix/bin/$program ]] || fail "no link bin/$program"
  [[ -f $prefix/share/man/man1/$program.1 ]] || fail "no manual page of $program"
  [[ -f $prefix/share/bash-completion/completions/$program ]] || fail "no completion of $program"
  bash -n "$prefix/share/bash-completion/completions/$program" || fail "completion of $program"
done
for profile in mkwise25 mkwise-html401-strict mkwise-html401-transitional mkwise-html401-frameset \
               mkwise-html32 mkwise-html20; do
  [[ -f $prefix/share/markwise/$profile.cfg ]] || fail "no profile $profile in share/markwise"
done
[[ -f $prefix/lib/markwise/help/index.html ]] || fail "no help pages"

cd "$work"
printf '<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01//EN">\n<html><head><title>T</title></head>\n<body><p>A <font>x</font></p></body></html>\n' > page.html
"$prefix/bin/markwise-check" --version | grep -q '^markwise-check (Zentrel Markwise) 2.55$' \
  || fail "--version"
"$prefix/bin/markwise-check" --list-profiles | grep -q "^html401-strict .*$prefix/" \
  || fail "the profiles are not found in the installation"
# The default configuration (today's HTML) and a profile by name, from another folder.
out=$("$prefix/bin/markwise-check" --no-settings --summary page.html) || true
[[ $out == "page.html: 1 error, 0 warnings: failed" ]] || fail "default profile: $out"
out=$("$prefix/bin/markwise-check" --no-settings --profile auto page.html) || true
grep -q 'Profile: html401-strict (HTML 4.01 Strict).' <<< "$out" || fail "--profile auto: $out"
grep -q 'The tag name "font" was found but its category is not' <<< "$out" || fail "report: $out"
"$prefix/bin/markwise-cfg" check "$prefix/share/markwise/mkwise25.cfg" > /dev/null || fail "markwise-cfg"
if command -v man > /dev/null; then
  MANPATH=$prefix/share/man man -w markwise-check > /dev/null || fail "man cannot find the page"
fi
echo "install test: ok ($prefix)"
