#pragma once

#include "settings/CaptureAction.h"
#include "shortcuts/KeyCombo.h"

#include <QHash>
#include <QWidget>

#include <optional>

class MarkerPreview;
class QCheckBox;
class QLabel;
class QSlider;
class ShortcutRecorder;
class ToolState;

// "Configuración de Brindlecap": the three shortcuts, the marker's opacity, copying and saving,
// the save folder, the loupe, opening at login and the history. Every control writes straight
// into the settings; every show() reads them all again. Made once and kept; closing only hides it.
class SettingsWindowController : public QWidget {
    Q_OBJECT

public:
    explicit SettingsWindowController(QWidget* parent = nullptr);

    // Reads everything from the settings again, centres the window on the screen under the
    // pointer and brings it to the front.
    void show();

    // How to bind the commands where the desktop keeps global shortcuts to itself; shown under
    // the shortcuts, hidden while empty.
    void setDesktopShortcutAdvice(const QString& advice);

    ShortcutRecorder* recorder(CaptureAction action) const { return m_recorders.value(action); }

    // A recorder's new shortcut (none clears it): refused with a warning when another action
    // has it, otherwise stored and the hot keys registered again.
    void changed(CaptureAction action, const std::optional<KeyCombo>& combo);

    // The slider's percent rounded to the marker's grid: the label's number.
    static int roundedPercent(int sliderValue);
    // "~" for the home folder at the start of a path.
    static QString withHomeAsTilde(const QString& path);

Q_SIGNALS:
    // "Abrir": the shell opens the save folder in the file manager.
    void openFolderRequested();

private:
    void buildContent();
    void refresh();
    void showHistory();
    void showFolder();
    void showFailures();

    void toggleAutoCopy();
    void toggleAutoSave();
    void toggleHistory();
    void clearHistory();
    void chooseFolder();
    void toggleLogin();
    void opacityChanged();

    ToolState* m_toolState;
    QSlider* m_opacitySlider;
    QLabel* m_opacityLabel;
    MarkerPreview* m_markerPreview;
    QHash<CaptureAction, ShortcutRecorder*> m_recorders;
    QLabel* m_warning;
    QLabel* m_desktopShortcutAdvice;
    QCheckBox* m_autoCopyBox;
    QCheckBox* m_autoSaveBox;
    QCheckBox* m_autoSaveAreaBox;
    QCheckBox* m_loupeBox;
    QCheckBox* m_historyBox;
    QLabel* m_historyLabel;
    QLabel* m_folderLabel;
    QCheckBox* m_loginBox;
};
