#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the voice builder need.
# As root with apt, installs what is missing; otherwise prints the one line to run.
set -eu
packages=(
  build-essential cmake ninja-build pkg-config
  libsdl2-dev libsdl2-ttf-dev libfontconfig-dev fontconfig fonts-dejavu-core
  espeak-ng libespeak-ng-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  xvfb wbrazilian
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
line="apt-get update && apt-get install -y ${missing[*]}"
if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq "${missing[@]}" >/dev/null
else
  echo "setup: missing packages; run as root:" >&2
  echo "  $line" >&2
  exit 1
fi
