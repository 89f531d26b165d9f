#!/usr/bin/env bash
# Installs what building, running and testing Zorvel need on Debian 12.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
packages=(
    build-essential cmake pkg-config
    qt6-base-dev libqt6sql6-sqlite            # Widgets, Sql, Network, Test; the SQLite driver
    qt6-charts-dev libqt6opengl6-dev          # the chart of a currency's history (Charts needs OpenGL's CMake files)
    libgtest-dev libgmock-dev libbenchmark-dev libsqlite3-dev sqlite3
    fonts-liberation                          # a face with the metrics the window was drawn for
    xvfb xauth xdotool imagemagick            # a display for machines without one, screenshots
    libreoffice-calc libreoffice-dev          # the spreadsheet and its UNO SDK
    desktop-file-utils appstream              # checking the installed desktop entry and metainfo
)
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${packages[@]}"
