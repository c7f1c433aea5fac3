#pragma once

#include <QCoreApplication>
#include <QHashFunctions>
#include <QString>

#include <array>

// The three capture commands a user can give. The raw values are persisted (they name the
// shortcut settings keys), so they must never change.
class CaptureAction {
    Q_DECLARE_TR_FUNCTIONS(CaptureAction)

public:
    enum Case { area, fullScreen, recents };

    constexpr CaptureAction(Case c = area) : m_case(c) {}
    constexpr operator Case() const { return m_case; }

    // Menu entries, settings rows and hot-key registration all list the actions in this order.
    static const std::array<CaptureAction, 3>& allCases();

    QString rawValue() const;

    QString title() const;

private:
    Case m_case;
};

inline size_t qHash(CaptureAction action, size_t seed = 0) {
    return qHash(int(CaptureAction::Case(action)), seed);
}
