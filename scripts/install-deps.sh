#!/bin/sh
# Installs the Debian 12 packages the build and the tests need, when any is missing.
# `install-deps.sh fuzz` adds clang and its libFuzzer runtime, which only `make fuzz` needs.
set -eu

# fonts-wqy-microhei: the Chinese glyphs of the data page's button labels.
# desktop-file-utils, appstream: the tests validate the installed menu entry and metainfo.
# dpkg-dev, file: `make package` computes the package's library dependencies with them.
# lintian: the package test checks the built package with it.
# qt6-charts-dev, qt6-svg-dev: the power chart and its SVG images. Qt Charts' CMake files
# need Qt OpenGL's (libqt6opengl6-dev), only recommended by qt6-base-dev.
# poppler-utils: the tests read the PDF report back (pdftotext, pdftoppm, pdfimages).
# xvfb: an X server for the benchmark that times the shown window.
# libqt6sql6-sqlite, libqt6sql6-psql: the archive's drivers (Qt Sql's headers come with
# qt6-base-dev, as do Qt Network's for the second copy's call); postgresql: the archive
# tests start a server of their own; libpq-dev: the archive cuts a server connection that a
# quit must not wait for with libpq itself, and a fuzz target reads connection strings back
# with libpq's own parser; libsqlite3-dev and libpq-dev: a listing reads its rows with the
# engines' own calls.
# qt6-l10n-tools, qt6-tools-dev: lupdate and lrelease and their CMake functions, which
# build the translations; qt6-translations-l10n: the toolkit's own texts in Chinese.
PACKAGES="cmake ninja-build g++ make qt6-base-dev qt6-serialport-dev libqt6serialport6 \
qt6-charts-dev libqt6opengl6-dev qt6-svg-dev poppler-utils \
libfreexl-dev libgl-dev libminizip-dev libxlsxwriter-dev \
fonts-wqy-microhei desktop-file-utils appstream dpkg-dev file lintian \
libqt6sql6-sqlite libqt6sql6-psql postgresql libpq-dev libsqlite3-dev xvfb \
qt6-l10n-tools qt6-tools-dev qt6-translations-l10n"
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
