#!/usr/bin/env bash
# Creates an empty Firebird database and runs one schema script of db/ on it.
#   scripts/create-db.sh <database file> <script>     e.g. scripts/create-db.sh /tmp/x/vqacc.fdb db/accounting.sql
# The script is UTF-8 in the repository and runs as CP932 with the SJIS_0208 connection character set.
# isql-fb uses the embedded engine through our own Firebird root (SuperClassic, so other processes
# may attach the file at the same time); the root is the one the program uses (KB_FIREBIRD_ROOT,
# else the user's cache) and is built here when it is missing.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 <database file> <schema script>" >&2
  exit 2
fi
DB="$1"
SCRIPT="$2"
[ -f "$SCRIPT" ] || { echo "no such script: $SCRIPT" >&2; exit 2; }
[ -e "$DB" ] && { echo "database exists already: $DB" >&2; exit 2; }

SYS_ROOT="${KB_FIREBIRD_SYSTEM_ROOT:-/usr/lib/x86_64-linux-gnu/firebird/3.0}"
if [ -n "${KB_FIREBIRD_ROOT:-}" ]; then
  ROOT="$KB_FIREBIRD_ROOT"
elif [ -n "${XDG_CACHE_HOME:-}" ]; then
  ROOT="$XDG_CACHE_HOME/kenbo-rendo/firebird"
elif [ -n "${HOME:-}" ]; then
  ROOT="$HOME/.cache/kenbo-rendo/firebird"
else
  ROOT="${TMPDIR:-/tmp}/kenbo-rendo-firebird-$(id -u)"
fi

if [ ! -f "$ROOT/firebird.conf" ] || [ ! -f "$ROOT/intl/libfbintl.so" ] || [ ! -e "$ROOT/plugins" ]; then
  [ -d "$SYS_ROOT/plugins" ] || { echo "Firebird 3 is not installed at $SYS_ROOT" >&2; exit 1; }
  mkdir -p "$(dirname "$ROOT")"
  TMP="$(mktemp -d "$ROOT.new.XXXXXX")"
  mkdir -p "$TMP/intl"
  printf '# Written by kenbo-rendo. SuperClassic lets several processes attach one database file\n# through the embedded engine.\nServerMode = SuperClassic\n' >"$TMP/firebird.conf"
  cp "$(readlink -f "$SYS_ROOT/plugins.conf")" "$TMP/plugins.conf"
  cp "$(readlink -f "$SYS_ROOT/intl/fbintl.conf")" "$TMP/intl/fbintl.conf"
  # the engine refuses a symbolic link for the character-set module: copy it
  cp "$(readlink -f "$SYS_ROOT/intl/libfbintl.so")" "$TMP/intl/libfbintl.so"
  ln -s "$SYS_ROOT/plugins" "$TMP/plugins"
  ln -s "$SYS_ROOT/firebird.msg" "$TMP/firebird.msg"
  [ -e "$SYS_ROOT/lib" ] && ln -s "$SYS_ROOT/lib" "$TMP/lib"
  [ -e "$SYS_ROOT/UDF" ] && ln -s "$SYS_ROOT/UDF" "$TMP/UDF"
  mv -T "$TMP" "$ROOT" 2>/dev/null || rm -rf "$TMP"
fi
export FIREBIRD="$ROOT"

mkdir -p "$(dirname "$DB")"
DB="$(cd "$(dirname "$DB")" && pwd)/$(basename "$DB")"
OUT="$(mktemp)"
SQL="$(mktemp)"
trap 'rm -f "$OUT" "$SQL"' EXIT

# -b stops at the first error and makes isql's exit code report it
if ! printf "CREATE DATABASE '%s' PAGE_SIZE 8192 DEFAULT CHARACTER SET SJIS_0208;\nCOMMIT;\n" "$DB" \
     | isql-fb -q -b -ch SJIS_0208 -user SYSDBA >"$OUT" 2>&1; then
  cat "$OUT" >&2; exit 1
fi
# the script goes in with -i: isql's line editor drops the high bytes of CP932 text on standard input
iconv -f UTF-8 -t CP932 "$SCRIPT" >"$SQL"
if ! isql-fb -q -b -ch SJIS_0208 -user SYSDBA -i "$SQL" "$DB" </dev/null >"$OUT" 2>&1; then
  iconv -f CP932 -t UTF-8 "$OUT" >&2 || cat "$OUT" >&2
  exit 1
fi
