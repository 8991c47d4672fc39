#!/usr/bin/env bash
# The layer rule: each folder of SRC (default src/ of this repository)
# includes only the folders below it, as CMakeLists.txt links them. Every
# include form counts: quotes or angle brackets, blanks after '#' or before
# the name, and paths that climb up with "../".
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
src=${1:-$here/src}
status=0

declare -A below=(
  [platform]=""
  [platformui]="platform"
  [geo]="platform"
  [settings]="geo platform"
  [doc]="settings geo platform"
  [gps]="doc settings geo platform"
  [dmr]="doc settings geo platform"
  [app]="settings geo platform platformui"
  [mapdraw]="gps doc settings geo platform"
  [mapview]="mapdraw gps doc settings geo platform platformui"
  [dmrview]="dmr doc settings geo platform platformui"
  [wptui]="doc settings geo platform platformui"
  [frame]="mapview mapdraw dmrview dmr gps doc settings geo platform platformui"
  [root]="frame mapview mapdraw dmrview wptui app dmr gps doc settings geo platform platformui"
)
include='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](\.\./)*([A-Za-z0-9_]+)/'
for dir in "$src"/*/; do
  name=$(basename "$dir")
  if [ -z "${below[$name]+set}" ]; then
    echo "src/$name: a folder without its place in the layers (add it here and in CMakeLists.txt)"
    status=1
    continue
  fi
  allowed=" $name ${below[$name]} "
  while IFS=: read -r file _ inc; do
    target=$(echo "$inc" | sed -E "s@$include.*@\\2@")
    # Angle brackets also name system folders (<sys/...>, <QtCore/...>).
    bracket=$(echo "$inc" | sed -E 's@^[[:space:]]*#[[:space:]]*include[[:space:]]*(.).*@\1@')
    if [ "$bracket" = "<" ] && [ -z "${below[$target]+set}" ]; then continue; fi
    case "$allowed" in
      *" $target "*) ;;
      *) echo "$file includes $target/, which is not below $name/"; status=1 ;;
    esac
  done < <(grep -HnE "$include" "$dir"* 2>/dev/null || true)
done
exit $status
