#!/usr/bin/env bash
# Installs the browser tests' driver (puppeteer-core, pinned by package-lock.json) into <folder>, once
# per lock file; it never downloads a browser: the tests run Debian's Chromium.
set -euo pipefail
src=$1 dest=$2
mkdir -p "$dest"
if cmp -s "$src/package-lock.json" "$dest/package-lock.json" && [ -d "$dest/node_modules/puppeteer-core" ]; then exit 0; fi
cp "$src/package.json" "$src/package-lock.json" "$dest/"
cd "$dest"
PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error
