#include "settings/CaptureAction.h"

const std::array<CaptureAction, 3>& CaptureAction::allCases() {
    static const std::array<CaptureAction, 3> cases = {area, fullScreen, recents};
    return cases;
}

QString CaptureAction::rawValue() const {
    switch (m_case) {
    case area:
        return QStringLiteral("area");
    case fullScreen:
        return QStringLiteral("fullScreen");
    case recents:
        return QStringLiteral("recents");
    }
    return {};
}

QString CaptureAction::title() const {
    switch (m_case) {
    case area:
        return tr("Capturar área");
    case fullScreen:
        return tr("Capturar pantalla completa");
    case recents:
        return tr("Capturas recientes");
    }
    return {};
}
