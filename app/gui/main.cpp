// kuvora: the window program.
#include "CKuvoraApp.h"

int main(int argc, char** argv) {
    // Serving or (un)registering the automation object shows no window and
    // needs no display.
    if (!OpensWindow(argc, argv)) qputenv("QT_QPA_PLATFORM", "offscreen");
    CKuvoraApp app(argc, argv);
    if (!app.InitInstance()) return app.ExitCode();
    return app.exec();
}
