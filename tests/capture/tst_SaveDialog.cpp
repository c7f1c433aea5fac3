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
    void opensInTheSaveFolderWithAFreeNameAndWritesThePng();
    void cancelWritesNothing();
    void failedWriteShowsAnError();

private:
    QString m_folder;
};

void tst_SaveDialog::init() {
    m_folder = QStandardPaths::writableLocation(QStandardPaths::HomeLocation) + "/guardar/aqui";
    QDir(m_folder).removeRecursively();
    Prefs::setSaveFolder(m_folder);
}

void tst_SaveDialog::opensInTheSaveFolderWithAFreeNameAndWritesThePng() {
    QString directory, proposed, filter;
    whenModal<QFileDialog>([&](QFileDialog* d) {
        directory = d->directory().absolutePath();
        proposed = d->findChild<QLineEdit*>()->text();
        filter = d->selectedNameFilter();
        QMetaObject::invokeMethod(d, "accept");
    });

    SaveDialog::save(capture());

    QCOMPARE(directory, m_folder);
    QVERIFY2(proposed.startsWith("Brindlecap ") && proposed.endsWith(".png"), qPrintable(proposed));
    QVERIFY(filter.contains("*.png"));
    const QImage saved(m_folder + "/" + proposed);
    QCOMPARE(saved.size(), QSize(80, 60));
    QCOMPARE(saved.dotsPerMeterX(), 5669);
}

void tst_SaveDialog::cancelWritesNothing() {
    whenModal<QFileDialog>([](QFileDialog* d) { d->reject(); });

    SaveDialog::save(capture());

    QVERIFY(QDir(m_folder).exists());
    QVERIFY(QDir(m_folder).isEmpty());
}

void tst_SaveDialog::failedWriteShowsAnError() {
    QDir().mkpath(m_folder);
    QFile blocker(m_folder + "/archivo");
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    bool errorShown = false;
    whenModal<QFileDialog>([&](QFileDialog* d) {
        d->selectFile(m_folder + "/archivo/dentro.png");
        whenModal<QMessageBox>([&](QMessageBox* box) {
            errorShown = box->icon() == QMessageBox::Critical;
            box->accept();
        });
        QMetaObject::invokeMethod(d, "accept");
    });

    SaveDialog::save(capture());

    QVERIFY(errorShown);
}

QTEST_MAIN(tst_SaveDialog)
#include "tst_SaveDialog.moc"
