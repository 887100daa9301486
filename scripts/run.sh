#!/usr/bin/env bash
# Starts Lumora on the sample pictures; before the desktop program exists, shows what
# the command-line front end says of them.
set -euo pipefail
build=${1:-build}
if [ -x "$build/app/lumora/lumora" ]; then
  exec "$build/app/lumora/lumora" "$(ls samples/* | head -n 1)"
fi
exec "$build/app/cli/lumora-cli" info samples/*
