#!/usr/bin/env bash
# Installs what is missing, builds (Release) and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
cd build
QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 ctest --output-on-failure -j"$(nproc)"
