#pragma once

#include <QDialog>

// "Acerca de Brindlecap": the leaf, the name, the version the build was made from and the
// credits, centred in a small fixed window.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);

    // Two lines: what the program does, and who made it.
    static QString credits();
    // "Versión" and the version number CMake gave the build.
    static QString versionText();
};
