#!/usr/bin/env bash
# Installs the Debian 12 packages of the stack. Quiet and idempotent; runs as root or through sudo.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libgl-dev qt6-translations-l10n
  libfbclient2 firebird-dev firebird3.0-server-core firebird3.0-utils firebird3.0-server
  libxml2-dev libxml2-utils libcurl4-openssl-dev libssl-dev libzip-dev liblhasa-dev lhasa
  fonts-noto-cjk fonts-ipafont-mincho fonts-ipafont-gothic fonts-ipaexfont
  poppler-utils
  cups-daemon cups-client
  python3 python3-pyftpdlib openssl zlib1g-dev
  mariadb-server-core mariadb-client-core unzip
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# The Firebird server package must not start a system service that would hold port 3050;
# tests start their own server on a port of their own.
if [ ! -e /usr/sbin/policy-rc.d ]; then
  printf '#!/bin/sh\nexit 101\n' | $SUDO tee /usr/sbin/policy-rc.d >/dev/null
  $SUDO chmod +x /usr/sbin/policy-rc.d
  trap '$SUDO rm -f /usr/sbin/policy-rc.d' EXIT
fi
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
