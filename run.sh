#!/usr/bin/env bash
# Installs what is missing, builds (Release) and starts the program.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh --gui
exec ./build/kestrovalin "$@"
