#include "app/Translations.h"

#include <QCoreApplication>
#include <QTranslator>

namespace Translations {

bool install(QCoreApplication& app) {
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral(":/i18n/brindlecap_es.qm"))) {
        translator->deleteLater();
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace Translations
