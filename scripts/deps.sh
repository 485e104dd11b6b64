#!/usr/bin/env bash
# Installs the Debian packages that are missing. Usage: scripts/deps.sh run|test
set -euo pipefail
packages=(g++ cmake ninja-build qt6-base-dev qt6-translations-l10n
          fonts-ipafont-mincho fonts-ipafont-gothic)
if [ "${1:-run}" = test ]; then
  packages+=(poppler-utils libbenchmark-dev desktop-file-utils)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
