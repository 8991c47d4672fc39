#!/usr/bin/env bash
# Builds the program, makes the sample region when it is missing and starts
# the program on it with a private config folder (sample/config); the sample
# keeps its own track log, so the start directory is the sample folder.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh"
"$here/scripts/build.sh"
sample=${SAMPLE_DIR:-$here/sample}
if [ ! -f "$sample/config/vornamap.ini" ] && [ -x "$here/build/tools/make-sample-region" ]; then
  "$here/build/tools/make-sample-region" "$sample"
fi
mkdir -p "$sample/config"
cd "$sample"
VORNAMAP_DATA_DIR="$sample" XDG_CONFIG_HOME="$sample/config" exec "$here/build/vornamap" "$@"
