// The program's fonts: "ＭＳ ゴシック" where it exists, else fonts with the same
// metrics (IPAGothic on Debian), else any monospace font.
#pragma once

#include <QFont>

// The main font at `pointSize` (the header and the grid use 10.5 pt).
QFont KuvoraFont(qreal pointSize = 10.5);
