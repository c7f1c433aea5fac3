#include "app/Translations.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Brindlecap"));
    QApplication::setApplicationName(QStringLiteral("Brindlecap"));
    QApplication::setApplicationVersion(QStringLiteral(BRINDLECAP_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);
    Translations::install(app);
    return app.exec();
}
