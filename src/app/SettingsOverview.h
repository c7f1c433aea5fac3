#pragma once

#include "settings/CaptureAction.h"

#include <QHash>
#include <QWidget>

class QLabel;

// "Configuración de Brindlecap" as a read-only overview: the shortcut of each capture action,
// the ones the desktop refused, and the save folder with a button that opens it. Opened from the
// tray menu until the editable settings window takes its place.
class SettingsOverview : public QWidget {
    Q_OBJECT

public:
    explicit SettingsOverview(QWidget* parent = nullptr);

    // Reads everything from the settings again, then brings the window to the front.
    void show();

private:
    void refresh();

    QHash<CaptureAction, QLabel*> m_shortcuts;
    QLabel* m_warning;
    QLabel* m_folder;
};
