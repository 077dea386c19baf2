#!/usr/bin/env bash
# Installs, when missing, what building, running and testing Morvek needs on Debian 12:
# the mingw-w64 cross compilers, Wine, Xvfb, the Japanese locale and font (and Korean and
# symbol fonts for the screenshots), GoogleTest.
set -euo pipefail

packages=(cmake make g++ clang libclang-rt-14-dev python3 zip unzip file
          g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools
          wine64 wine xvfb xdotool x11-utils imagemagick libx11-dev
          locales fonts-ipafont-gothic fonts-nanum fonts-symbola googletest)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    $sudo sed -i 's/^# *ja_JP.UTF-8/ja_JP.UTF-8/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
fi
