#!/usr/bin/env bash
# Installs the real programs the tests and benchmarks talk to (MCP servers, the MCP proxy, an
# OpenID provider) into a build's npm folder, from the committed lock file that the build
# copies there; skipped when unchanged.
#   install-npm-programs.sh <build folder>
set -euo pipefail
npmdir="$1/npm"
if ! cmp -s "$npmdir/package-lock.json" "$npmdir/node_modules/.tavo-lock" 2>/dev/null; then
  (cd "$npmdir" && npm ci --no-audit --no-fund --loglevel=error)
  cp "$npmdir/package-lock.json" "$npmdir/node_modules/.tavo-lock"
fi
