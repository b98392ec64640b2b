#pragma once

#include <QFont>

// Tahoma at a pixel height (the files of Debian's fonts-wine, loaded on first
// use), or DejaVu Sans at the same height where Tahoma is not to be had.
QFont tahomaFont(int pixelSize, bool bold = false);
// Arial at a pixel height (fontconfig resolves it to Liberation Sans).
QFont arialFont(int pixelSize);
