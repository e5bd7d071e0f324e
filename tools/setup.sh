#!/usr/bin/env bash
# Installs the Debian packages the build (and, with --test, the tests) need;
# with --fuzz only those of the native fuzzing build.
# Idempotent and quiet: it asks apt only for what dpkg says is missing.
set -euo pipefail

# g++ builds the one build step that runs on this machine (the program's
# load-configuration entry, cmake/set_load_configuration.cpp).
build_packages=(cmake ninja-build g++-mingw-w64-x86-64-posix mingw-w64-tools g++
                wine64 wine xvfb xauth fonts-wine googletest)
# What the running program needs of the host: without a CJK font Wine's
# DirectWrite draws the Chinese UI texts as nothing.
run_packages=(fonts-noto-cjk)
# Real peers the tests start on loopback: RTMP/RTMPS ingest, the account
# service's TLS front, a sound server, media probes and a test CA.
test_packages=(nginx libnginx-mod-rtmp libnginx-mod-stream ffmpeg openssl
               pulseaudio pulseaudio-utils sox python3 locales)

# The native fuzzing and sanitizer build of the portable core: clang with
# libFuzzer and the sanitizer runtimes, and the symbolizer for its reports.
fuzz_packages=(cmake ninja-build googletest clang libclang-rt-14-dev llvm)

wanted=("${build_packages[@]}" "${run_packages[@]}")
if [[ "${1:-}" == "--test" ]]; then
  wanted+=("${test_packages[@]}" "${fuzz_packages[@]}")
elif [[ "${1:-}" == "--fuzz" ]]; then
  wanted=("${fuzz_packages[@]}")
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

# Wine's locale follows LANG; the tests pin en_US.UTF-8 and run the language
# tests once more under zh_CN.UTF-8.
missing_locale() {
  ! locale -a 2>/dev/null | grep -qi "^$1\.utf-\?8$"
}
if [[ "${1:-}" == "--test" ]] && { missing_locale en_US || missing_locale zh_CN; }; then
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" sed -i 's/^# *\(en_US.UTF-8 UTF-8\)/\1/; s/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi
