#!/usr/bin/env bash
# Starts the program on the demonstration data root demo/, building it with the fixture builder
# (kb-make-fixture) when it is missing. The environment below points the program at the root:
#   KB_PROGRAM_DIR         folder of "AppInfo.ini" (in place of the program's own folder)
#   KB_COMMON_APPDATA_DIR  common application data (the application INI under zandrel/dadozizidiv)
#   KB_APPDATA_DIR         per-user application data
#   KB_CONFIG_ROOT         configuration root (the registry files under registry/)
#   KB_DOCUMENTS_DIR       the Documents folder
#   KB_TEMP_DIR            temporary files
# The system database folder (SYSDIR) is named by the application INI: demo/data.
# Operators: 10 (password abc123) and 11 (no password).
set -euo pipefail
BUILD_DIR="${1:-build}"
cd "$(dirname "$0")/.."
ROOT="$(pwd)/demo"

if [ ! -f "$ROOT/data/vqaccdef.fdb" ]; then
  if [ ! -x "$BUILD_DIR/kb-make-fixture" ]; then
    echo "kb-make-fixture is missing in $BUILD_DIR (build the tests first)" >&2
    exit 1
  fi
  # the data root records its own paths, so it is built in place; a failed build leaves nothing
  rm -rf "$ROOT"
  echo "building the demonstration data in $ROOT"
  "$BUILD_DIR/kb-make-fixture" "$ROOT" >/dev/null || { rm -rf "$ROOT"; exit 1; }
fi

export KB_PROGRAM_DIR="$ROOT/program"
export KB_COMMON_APPDATA_DIR="$ROOT/common"
export KB_APPDATA_DIR="$ROOT/appdata"
export KB_CONFIG_ROOT="$ROOT/config"
export KB_DOCUMENTS_DIR="$ROOT/documents"
export KB_TEMP_DIR="$ROOT/temp"
exec "$BUILD_DIR/kenbo-rendo"
