// The images of the tool bar commands, shown on the tool bar and next to the
// menu items with the same command ids, and the program's own icon. They are
// drawn from SVG files compiled into the program, at any size asked for.
#pragma once

#include <QIcon>
#include <QString>

// The image of a tool bar command (32771 read, 32790 Green ticket, 57604 save
// as, 32772 settings, 57634 copy, 32793 read aloud, 32794 stop reading aloud,
// 57607 print, 57664 version information, 57669 context help); a null icon for
// any other id. The images are drawn 16 × 15, the tool bar's button size.
QIcon CommandIcon(int commandId);
// The program's icon, for its windows (the desktop uses the installed
// kuvora.svg, the same drawing).
QIcon KuvoraAppIcon();
// The resource path of a command's image, empty for other ids.
QString CommandIconPath(int commandId);
