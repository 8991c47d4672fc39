#!/usr/bin/env bash
# The layer rule catches a lower folder's include of a higher one in every
# include form, and lets the allowed and the system ones pass.
set -uo pipefail
check="$1"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
failures=0
for dir in platform platformui geo settings doc gps dmr app mapdraw mapview dmrview wptui frame root; do
  mkdir -p "$tree/$dir"
done
expect() {  # expect pass|fail 'include line'
  rm -f "$tree"/doc/*.cpp
  printf '%s\n' '#include "settings/AppSettings.h"' '#include <sys/stat.h>' '#include <QtCore/QString>' \
    "$2" >"$tree/doc/Case.cpp"
  if "$check" "$tree" >/dev/null; then got=pass; else got=fail; fi
  if [ "$got" != "$1" ]; then
    echo "expected $1, got $got: $2"
    failures=$((failures + 1))
  fi
}
expect pass '#include "platform/Text.h"'
expect pass '#include <platform/Text.h>'
expect pass '// #include "frame/MainFrm.h"'
expect fail '#include "frame/MainFrm.h"'
expect fail '#include <frame/MainFrm.h>'
expect fail '#  include "frame/MainFrm.h"'
expect fail '  #include "frame/MainFrm.h"'
expect fail '#include  <mapview/VornaView.h>'
expect fail '#include "../frame/MainFrm.h"'
expect fail '#	include	"app/VornaApp.h"'
if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; else echo "0 passed, 1 failed"; exit 1; fi
