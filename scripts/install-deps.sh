#!/usr/bin/env bash
# Installs what building, running and testing Zorvel need on Debian 12.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
packages=(
    build-essential cmake pkg-config
    qt6-base-dev libqt6sql6-sqlite            # Widgets, Sql, Network, Test; the SQLite driver
    libqt6svg6                                # draws the program's icon
    qt6-charts-dev libqt6opengl6-dev          # the chart of a currency's history (Charts needs OpenGL's CMake files)
    qt6-tools-dev qt6-l10n-tools              # lrelease: Romanian for Qt's own dialogs
    libgtest-dev libgmock-dev libbenchmark-dev libsqlite3-dev sqlite3
    fonts-liberation                          # a face with the metrics the window was drawn for
    xvfb xauth xdotool imagemagick            # a display for machines without one, screenshots
    libreoffice-calc libreoffice-dev          # the spreadsheet and its UNO SDK
    libzip-dev                                # reading the ZIPs of e-Factura invoices
    mdbtools-dev mdbtools                     # reading Access files of the earlier generation; mdb-export for the benchmark
    desktop-file-utils appstream lintian      # checking the installed desktop entry, metainfo and packages
    dpkg-dev                                  # cpack's package dependencies (dpkg-shlibdeps)
)
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${packages[@]}"
