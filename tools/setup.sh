#!/usr/bin/env bash
# Installs the Debian packages the build (and, with --test, the tests) need.
# Idempotent and quiet: it asks apt only for what dpkg says is missing.
set -euo pipefail

build_packages=(cmake ninja-build g++-mingw-w64-x86-64-posix mingw-w64-tools
                wine64 wine xvfb xauth fonts-wine googletest)
# Real peers the tests start on loopback: RTMP/RTMPS ingest, a sound server,
# media probes and a test CA.
test_packages=(nginx libnginx-mod-rtmp libnginx-mod-stream ffmpeg openssl
               pulseaudio pulseaudio-utils sox python3 locales)

wanted=("${build_packages[@]}")
if [[ "${1:-}" == "--test" ]]; then
  wanted+=("${test_packages[@]}")
fi

missing=()
for package in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if ((${#missing[@]} > 0)); then
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# Wine's locale follows LANG; the tests pin en_US.UTF-8.
if [[ "${1:-}" == "--test" ]] && ! locale -a 2>/dev/null | grep -qi '^en_US\.utf-\?8$'; then
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" sed -i 's/^# *\(en_US.UTF-8 UTF-8\)/\1/; s/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi
