#!/usr/bin/env bash
# Starts the program. Once the demonstration builder exists this also creates demo/ when missing.
set -euo pipefail
BUILD_DIR="${1:-build}"
cd "$(dirname "$0")/.."
exec "$BUILD_DIR/kenbo-rendo"
