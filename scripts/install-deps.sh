#!/usr/bin/env bash
# Installs the Debian packages the project needs, only when some are missing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mapfile -t packages < <(grep -v '^#' "$here/packages.txt" | grep -v '^$')
# A package named NAME:ARCH (wine32:i386) is of that foreign architecture, which dpkg must know.
architectures=()
missing=()
for package in "${packages[@]}"; do
  if [[ $package == *:* ]] && ! dpkg --print-foreign-architectures | grep -qx "${package#*:}"; then
    architectures+=("${package#*:}")
  fi
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
for architecture in $(printf '%s\n' "${architectures[@]}" | sort -u); do
  echo "Adding the $architecture architecture"
  $sudo dpkg --add-architecture "$architecture"
done
$sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y \
  --no-install-recommends "${missing[@]}"
