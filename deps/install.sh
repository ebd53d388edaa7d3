#!/usr/bin/env bash
# Installs the Debian packages of the given lists (file names in deps/, by
# default debian-packages.txt) that are missing.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
lists=("$@")
[ ${#lists[@]} -eq 0 ] && lists=(debian-packages.txt)
wanted=()
for list in "${lists[@]}"; do
    mapfile -t -O "${#wanted[@]}" wanted < <(grep -v '^\s*#' "$here/$list" | sed '/^\s*$/d')
done
missing=()
for p in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
echo "Missing packages: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    echo "Not root: install them with: sudo apt-get install ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
