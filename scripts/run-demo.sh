#!/usr/bin/env bash
# Starts the program on the demonstration data root demo/ (make run).
#
#   scripts/run-demo.sh [build dir]           builds demo/ when it does not exist, then starts the program
#   scripts/run-demo.sh [build dir] --prepare builds demo/ when it does not exist, starts nothing
#   scripts/run-demo.sh [build dir] --reset   moves demo/ aside to demo.old-<time> and builds a new one
#
# Nothing here ever deletes what a user made: a new root is built in a folder of its own and moved
# into place only when it is complete; a demo/ that lacks a part is reported and left as it is.
# KB_DEMO_ROOT names another root (tests use it).
#
# The environment below points the program at the root:
#   KB_PROGRAM_DIR         folder of "AppInfo.ini" (in place of the program's own folder)
#   KB_COMMON_APPDATA_DIR  common application data (the application INI under zandrel/dadozizidiv)
#   KB_APPDATA_DIR         per-user application data
#   KB_CONFIG_ROOT         configuration root (the registry files under registry/)
#   KB_DOCUMENTS_DIR       the Documents folder (where a bare output file name is written)
#   KB_TEMP_DIR            temporary files
# The system database folder (SYSDIR) is named by the application INI: demo/data.
# Operators: 10 (password abc123) and 11 (no password).
set -euo pipefail
BUILD_DIR="${1:-build}"
MODE="${2:-run}"
cd "$(dirname "$0")/.."
case "$BUILD_DIR" in /*) ;; *) BUILD_DIR="$(pwd)/$BUILD_DIR" ;; esac
ROOT="${KB_DEMO_ROOT:-$(pwd)/demo}"
NAME="$(basename "$ROOT")"
PARENT="$(dirname "$ROOT")"

# What a working root holds (path below the root, what it is).
PARTS=(
  "data/vqaccdef.fdb|財務システムデータベース"
  "program/AppInfo.ini|アプリケーションの設定ファイル"
  "common/zandrel/dadozizidiv/vqzaimu.ini|接続設定(アプリケーションINI)"
  "config/registry/HKEY_LOCAL_MACHINE.reg|財務アプリケーションの登録情報"
)

build_root() {
  local tool="$BUILD_DIR/kb-make-fixture"
  if [ ! -x "$tool" ]; then
    echo "見本データを作るツールがありません: $tool" >&2
    echo "make run で作り直すか、cmake --build $BUILD_DIR --target kb-make-fixture を実行してください。" >&2
    exit 1
  fi
  local staging log
  staging="$(mktemp -d "$PARENT/.$NAME-build.XXXXXX")"
  log="$staging.log"
  # The root records its own paths (the system database folder, the data sets' folders). It is
  # built through a link named like the root, so what it records is the root's own path, and the
  # finished folder then takes the link's place.
  if ! ln -s "$staging" "$ROOT" 2>/dev/null; then
    rmdir "$staging"
    echo "$ROOT を作れませんでした(同じ名前のものがあります)。何も変更していません。" >&2
    exit 1
  fi
  echo "見本データを作成しています: $ROOT (初回は1分ほどかかります)"
  if "$tool" "$ROOT" >"$log" 2>&1; then
    rm "$ROOT"
    mv -T "$staging" "$ROOT"
    rm -f "$log"
  else
    rm "$ROOT"
    rm -rf "$staging" # only what this run made
    echo "見本データの作成に失敗しました。詳細: $log" >&2
    exit 1
  fi
}

missing_parts() {
  local p
  for p in "${PARTS[@]}"; do
    [ -e "$ROOT/${p%%|*}" ] || echo "  $ROOT/${p%%|*}  (${p#*|})"
  done
}

if [ "$MODE" = "--reset" ]; then
  if [ -e "$ROOT" ] || [ -L "$ROOT" ]; then
    aside="$ROOT.old-$(date +%Y%m%d-%H%M%S)"
    mv -T "$ROOT" "$aside"
    echo "今の見本データを $aside へ移しました(削除はしていません)。"
  fi
  build_root
  echo "新しい見本データができました。make run で起動します。"
  exit 0
fi

if [ ! -e "$ROOT" ] && [ ! -L "$ROOT" ]; then
  build_root
else
  missing="$(missing_parts)"
  if [ -n "$missing" ]; then
    {
      echo "見本データ $ROOT の一部が見つからないため、起動できません:"
      echo "$missing"
      echo "$ROOT には何も変更していません(documents などに作ったファイルもそのままです)。"
      echo "作り直すには make demo-reset を実行してください。今の $NAME/ は $NAME.old-<日時> へ移され、新しい見本データが作られます。"
    } >&2
    exit 1
  fi
fi
[ "$MODE" = "--prepare" ] && exit 0

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
  echo "画面(DISPLAY または WAYLAND_DISPLAY)がないため、ウィザードを表示できません。" >&2
  echo "画面なしで起動だけ確かめるには QT_QPA_PLATFORM=offscreen make run を実行してください。" >&2
  exit 1
fi

export KB_PROGRAM_DIR="$ROOT/program"
export KB_COMMON_APPDATA_DIR="$ROOT/common"
export KB_APPDATA_DIR="$ROOT/appdata"
export KB_CONFIG_ROOT="$ROOT/config"
export KB_DOCUMENTS_DIR="$ROOT/documents"
export KB_TEMP_DIR="$ROOT/temp"
echo "ログイン: オペレータコード 10 (パスワード abc123)、または 11 (パスワードなし)"
echo "中間ファイルの既定の保存先: $ROOT/documents"
exec "$BUILD_DIR/kenbo-rendo"
