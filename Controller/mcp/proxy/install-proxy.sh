#!/usr/bin/env bash
# Installs the MCP proxy from the committed lock file into the Scripts resource folder:
#   Scripts/mcp-remote-0.1.16/          the package, with its dependencies in node_modules/
#   Scripts/node                       a link to the system's Node.js
# Usage: install-proxy.sh <folder with package.json and lock> <work folder> <Scripts folder>
set -euo pipefail
src=$1 work=$2 scripts=$3
node=$(command -v node || true)
if [[ -z "$node" ]]; then
  echo "install-proxy.sh: Node.js (node) is not installed" >&2
  exit 1
fi
mkdir -p "$work"
cp "$src/package.json" "$src/package-lock.json" "$work/"
(cd "$work" && npm ci --no-audit --no-fund --loglevel=error --ignore-scripts)
version=$(node -p "require('$work/node_modules/mcp-remote/package.json').version")
target="$scripts/mcp-remote-$version"
rm -rf "$target.tmp"
mkdir -p "$target.tmp/node_modules"
cp -a "$work/node_modules/mcp-remote/." "$target.tmp/"
for dep in "$work"/node_modules/*; do
  [[ -e "$dep" ]] || continue
  [[ "$(basename "$dep")" == mcp-remote ]] && continue
  cp -a "$dep" "$target.tmp/node_modules/"
done
rm -rf "$target"
mv "$target.tmp" "$target"
ln -sfn "$node" "$scripts/node"
touch "$target/dist/proxy.js"
