#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when any is missing.
# Usage: scripts/deps.sh [extra-package ...]
set -euo pipefail

# The command line writes JSON with nlohmann-json (header-only, also for the Windows build).
# The desktop program: Qt 6 Widgets (with the offscreen platform its tests run on), the
# Japanese texts of Qt's own dialogs, and a Japanese fixed-pitch font for the windows.
# The window tests also run under a real window manager: twm (with the "fixed" font of
# xfonts-base) on a virtual X display.
packages=(build-essential cmake pkg-config libicu-dev libgtest-dev nlohmann-json3-dev
          qt6-base-dev qt6-translations-l10n fonts-ipafont-gothic
          xvfb twm xfonts-base x11-utils "$@")

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Please run as root or install sudo: missing ${missing[*]}" >&2; exit 1; }
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
