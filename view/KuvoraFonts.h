// The program's fonts: "ＭＳ ゴシック" where it exists, else fonts with the same
// metrics (IPAGothic on Debian), else any monospace font.
#pragma once

#include <QFont>

// The main font at `pointSize` (the header and the grid use 10.5 pt).
QFont KuvoraFont(qreal pointSize = 10.5);

// The proportional Japanese font at `pointSize`: "ＭＳ Ｐゴシック" where it
// exists, else IPAPGothic (Debian's fonts-ipafont-gothic), else any sans-serif.
QFont KuvoraProportionalFont(qreal pointSize);
// The footer line of the printout and the picture: the proportional font at 8 pt.
QFont KuvoraFooterFont();
