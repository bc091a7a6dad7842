#!/usr/bin/env bash
# Repeats the backup-then-restore tests of both service routes (this process's engine and the
# server over TCP) beside busy loops, until one fails or every test has passed N times in a row.
# A backup reported done before the engine has finished writing shows up here as a failed restore
# ("expected backup description record"); under load that window is widest.
#
#   scripts/backup-repeat.sh [build folder] [repeats] [busy loops]
# Defaults: build, 50, half the processors. Exit status: ctest's (0 when every repeat passed).
set -uo pipefail

build=${1:-build}
repeats=${2:-50}
hogs=${3:-$(( $(nproc) / 2 > 0 ? $(nproc) / 2 : 1 ))}
tests='^DataModuleBackup(Server)?\.(ServiceRouteBacksUpOverAnOldFileAndRestoresIntoANewFolder|ServiceOverTcpMovesTheBackupOnTheServer)$'

pids=()
stop_hogs() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; wait "${pids[@]}" 2>/dev/null; }
trap stop_hogs EXIT
for _ in $(seq "$hogs"); do
  yes >/dev/null &
  pids+=($!)
done
echo "busy loops: $hogs (pids ${pids[*]}); repeats: $repeats"

cd "$build" || exit 2
start=$(date +%s)
QT_QPA_PLATFORM=offscreen ctest -j 2 --output-on-failure -R "$tests" --repeat "until-fail:$repeats"
rc=$?
echo "ctest exit $rc after $(( $(date +%s) - start )) s"
exit $rc
