#!/usr/bin/env bash
# An install puts the programs and their manual pages in place; the installed programs run,
# and each manual page has its sections and renders without a warning.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for program in vornax quillet vornax-export vornax-import; do
  [ "$("$prefix/bin/$program" --version)" = "$program 2.3b" ] || { echo "$program does not run"; exit 1; }
  page=$prefix/share/man/man1/$program.1
  cmp "$page" "$source/man/$program.1"
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS FILES "EXIT STATUS" EXAMPLES "SEE ALSO"; do
    grep -qx ".SH $section" "$page" || { echo "$program.1 lacks .SH $section"; exit 1; }
  done
  if command -v groff >/dev/null; then
    warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
    [ -z "$warnings" ] || { echo "$program.1: $warnings"; exit 1; }
  fi
done
echo "installed and checked: vornax, quillet, vornax-export, vornax-import and their manual pages"
