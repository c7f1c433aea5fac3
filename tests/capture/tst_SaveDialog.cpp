#include "capture/SaveDialog.h"
#include "settings/Prefs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

namespace {

Rendered capture() {
    QImage image(80, 60, QImage::Format_RGB32);
    image.fill(QColor(10, 120, 30));
    return {image, QSizeF(40, 30)};
}

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
    void init();
    void proposesAFreeNameInTheSaveFolderAndWritesThePng();
    void failedWriteShowsAnErrorWithTheReason();

private:
    QString m_folder;
};

void tst_SaveDialog::init() {
    m_folder = QStandardPaths::writableLocation(QStandardPaths::HomeLocation) + "/guardar/aqui";
    QDir(m_folder).removeRecursively();
    Prefs::setSaveFolder(m_folder);
}

void tst_SaveDialog::proposesAFreeNameInTheSaveFolderAndWritesThePng() {
    QString directory, proposed;
    whenModal<QFileDialog>([&](QFileDialog* d) {
        directory = d->directory().absolutePath();
        proposed = d->findChild<QLineEdit*>()->text();
        QMetaObject::invokeMethod(d, "accept");
    });

    SaveDialog::save(capture());

    QCOMPARE(directory, m_folder);
    QVERIFY2(proposed.startsWith("Brindlecap ") && proposed.endsWith(".png"), qPrintable(proposed));
    const QImage saved(m_folder + "/" + proposed);
    QCOMPARE(saved.size(), QSize(80, 60));
    QCOMPARE(saved.dotsPerMeterX(), 5669);
}

void tst_SaveDialog::failedWriteShowsAnErrorWithTheReason() {
    // A folder inside a plain file can be created by nobody, root included.
    QDir().mkpath(m_folder);
    QFile blocker(m_folder + "/archivo");
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString reason;
    whenModal<QFileDialog>([&](QFileDialog* d) {
        d->selectFile(m_folder + "/archivo/dentro.png");
        whenModal<QMessageBox>([&](QMessageBox* box) {
            icon = box->icon();
            reason = box->informativeText();
            box->accept();
        });
        QMetaObject::invokeMethod(d, "accept");
    });

    SaveDialog::save(capture());

    QCOMPARE(icon, QMessageBox::Critical);
    QVERIFY(!reason.isEmpty());
}

QTEST_MAIN(tst_SaveDialog)
#include "tst_SaveDialog.moc"
