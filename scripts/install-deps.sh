#!/bin/sh
# Installs the Debian 12 packages the build and the tests need, when any is missing.
# `install-deps.sh fuzz` adds clang and its libFuzzer runtime, which only `make fuzz` needs.
set -eu

PACKAGES="cmake ninja-build g++ make qt6-base-dev qt6-serialport-dev libqt6serialport6 \
libfreexl-dev libgl-dev"
if [ "${1:-}" = "fuzz" ]; then
    PACKAGES="$PACKAGES clang libclang-rt-14-dev"
fi

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
echo "Installing:$missing"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
