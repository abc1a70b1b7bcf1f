#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12. Idempotent: packages
# already present are skipped, and apt-get runs only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config python3
  libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64 xvfb xdotool x11-utils imagemagick fonts-liberation fonts-wine
  locales alsa-utils libasound2-plugins
  g++-multilib qemu-user-static
  clang libclang-rt-14-dev
  python3-unicorn python3-pefile python3-capstone
  llvm lld zip unzip
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine shows Windows-1251 text only under a Russian locale.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf8$'; then
  localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi
