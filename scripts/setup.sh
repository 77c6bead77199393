#!/usr/bin/env bash
# Shared by run.sh and test.sh: install the missing Debian packages, configure and build.
set -euo pipefail
cd "$(dirname "$0")/.."
# libsqlite3-dev: the backup talks to the SQLite library Qt's driver uses; qttranslations5-l10n: Qt's own
# dialogs and context menus in Chinese (the tests check them too).
packages=(qtbase5-dev libqt5sql5-sqlite libsqlite3-dev qttranslations5-l10n libxlsxwriter-dev libminizip-dev
          cmake g++ pkg-config)
# Starting the program also needs fonts for the Chinese texts and the dashboard's symbols.
[[ ${1:-} == --gui ]] && packages+=(fonts-wqy-microhei fonts-noto-color-emoji)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    SUDO=""
    [[ $(id -u) -eq 0 ]] || SUDO=sudo
    echo "Installing: ${missing[*]}"
    $SUDO apt-get update -qq
    # sudo resets the environment, so the frontend is passed through env.
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"
