// Starts Qt Core as kuvora-cli does and ends: what a program linked with Qt
// Core alone costs before it does any work.
#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Mirokaze"));
    QCoreApplication::setApplicationName(QStringLiteral("Kuvora"));
    return 0;
}
