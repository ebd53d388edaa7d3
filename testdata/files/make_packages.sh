#!/bin/sh
# Packs the package sources beside this script into OUT/assets001.zip and
# OUT/assets002.zip with the standard zip tool. assets001 holds two stored
# members (stored.txt, corrupt.txt) and deflated ones; assets002 overrides
# shared.txt and Loose/override.txt, which a loose file overrides in turn.
# Usage: make_packages.sh OUT (an absolute directory).
set -e
src="$(cd "$(dirname "$0")" && pwd)"
out="$1"
rm -f "$out/assets001.zip" "$out/assets002.zip"
cd "$src/assets001"
zip -q -X -0 "$out/assets001.zip" stored.txt corrupt.txt
zip -q -X -9 -r "$out/assets001.zip" Textures shared.txt Loose
cd "$src/assets002"
zip -q -X -9 -r "$out/assets002.zip" shared.txt Sounds Loose
