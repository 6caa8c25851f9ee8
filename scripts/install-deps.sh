#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need
# (the X server, sound server and session bus the tests start for themselves too),
# asking apt only for those that are missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libsndfile1-dev libcli11-dev libfftw3-dev libpng-dev
  sox imagemagick
  libsdl2-dev libasound2-dev tmux
  ffmpeg
  xvfb x11-apps xdotool libx11-dev
  pulseaudio pulseaudio-utils libpulse-dev
  pipewire pipewire-pulse wireplumber
  dbus-daemon libsdbus-c++-dev libsystemd-dev playerctl
  dpkg-dev fakeroot lintian desktop-file-utils man-db bash-completion zsh
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}" >&2
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
