// kuvora: the window program.
#include "CKuvoraApp.h"

int main(int argc, char** argv) {
    CKuvoraApp app(argc, argv);
    if (!app.InitInstance()) return app.ExitCode();
    return app.exec();
}
