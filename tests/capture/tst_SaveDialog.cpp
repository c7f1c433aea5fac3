#include "TestHome.h"
#include "capture/SaveDialog.h"
#include "settings/Prefs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

namespace {

// Runs `act` on the modal dialog of type T once it is up.
template <typename T> void whenModal(std::function<void(T*)> act) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            poll->deleteLater();
            act(dialog);
        }
    });
    poll->start(50);
}

} // namespace

class tst_SaveDialog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void opensInTheSaveFolderAndReportsAFailedWrite() {
        const QString folder = QDir::homePath() + "/guardar/aqui";
        Prefs::setSaveFolder(folder);
        QDir().mkpath(folder);
        const QString unmakeable = unmakeableFolder(folder + "/archivo", "dentro.png");
        QImage image(80, 60, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        QString directory, reason;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        whenModal<QFileDialog>([&](QFileDialog* d) {
            directory = d->directory().absolutePath();
            d->selectFile(unmakeable);
            whenModal<QMessageBox>([&](QMessageBox* box) {
                icon = box->icon();
                reason = box->informativeText();
                box->accept();
            });
            QMetaObject::invokeMethod(d, "accept");
        });

        SaveDialog::save({image, QSizeF(40, 30)});

        QCOMPARE(directory, folder);
        QCOMPARE(icon, QMessageBox::Critical);
        // The file the dialog chose inside the plain file, named with the system's reason.
        QVERIFY2(reason.contains(folder + "/archivo/") && reason.contains(".png»: "),
                 qPrintable(reason));
    }
};

QTEST_MAIN(tst_SaveDialog)
#include "tst_SaveDialog.moc"
