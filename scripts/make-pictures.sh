#!/usr/bin/env bash
# Draws the logos and button glyphs into resources/ (run after changing
# scripts/pictures/make-pictures.cpp; the PNG files are kept in the project).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
g++ -std=c++20 -O1 -fPIC "$root/scripts/pictures/make-pictures.cpp" -o "$work/make-pictures" \
  $(pkg-config --cflags --libs Qt6Gui)
QT_QPA_PLATFORM=offscreen "$work/make-pictures" "$root/resources"
