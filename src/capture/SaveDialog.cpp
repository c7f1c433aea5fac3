#include "capture/SaveDialog.h"

#include "capture/CaptureFile.h"
#include "capture/Output.h"
#include "settings/Prefs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("SaveDialog", text);
}

} // namespace

void SaveDialog::save(const Rendered& rendered, QWidget* parent) {
    const QString folder = Prefs::saveFolder();
    QDir().mkpath(folder);

    QFileDialog dialog(parent, tr("Guardar captura"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(tr("Imagen PNG (*.png)"));
    dialog.setDefaultSuffix(QStringLiteral("png"));
    dialog.setDirectory(folder);
    // A capture saved in the same second already holds the plain name.
    dialog.selectFile(
        QFileInfo(CaptureFile::freeName(QDir(folder).filePath(Prefs::newFileName()))).fileName());
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;

    const QString path = dialog.selectedFiles().first();
    const std::optional<QByteArray> png = Output::pngData(rendered);
    if (!png)
        return;
    const Status written = CaptureFile::replace(path, *png);
    if (written)
        return;
    QMessageBox box(QMessageBox::Critical, tr("No se pudo guardar la captura"),
                    tr("No se pudo guardar la captura"), QMessageBox::Ok, parent);
    box.setInformativeText(written.message());
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}
