// The history folder as the drawer and output delivery use it: order, capacity, what counts as an
// entry, privacy and clearing.
#include "recents/History.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

const QDateTime morning(QDate(2026, 12, 5), QTime(8, 19, 19, 42));

QByteArray pngOf(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

void putFile(const QString& name, const QByteArray& bytes) {
    QDir().mkpath(History::folder());
    QFile file(History::folder() + "/" + name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class tst_History : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase() { qputenv("XDG_DATA_HOME", m_home.path().toUtf8()); }

    void init() { QDir(History::folder()).removeRecursively(); }

    // The drawer's thumbnail is kept from the picture at once and leaves with its entry.
    void keptThumbnailsFollowTheirEntries() {
        QImage picture(3000, 2000, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        const QByteArray png = pngOf(picture.size());
        for (int i = 0; i <= History::capacity; ++i)
            History::add(png, morning.addSecs(i), picture);

        const QStringList entries = History::items();
        QStringList kept;
        for (const QString& entry : entries)
            kept << History::keptThumbnailPath(entry);
        const QStringList thumbnails =
            QDir(QFileInfo(kept[0]).path()).entryList(QDir::Files, QDir::Name | QDir::Reversed);
        const auto fitted = History::keptThumbnail(entries[0], QSize(194, 114));

        QCOMPARE(thumbnails.size(), History::capacity);
        for (int i = 0; i < History::capacity; ++i)
            QCOMPARE(QFileInfo(kept[i]).fileName(), thumbnails[i]);
        QCOMPARE(QImage(kept[0]).size(), QSize(342, 228));
        QVERIFY(fitted);
        QCOMPARE(fitted->first.size(), QSize(171, 114));
        QCOMPARE(fitted->second, QSize(3000, 2000));
    }

    // The last two share a millisecond: the later one must neither overwrite nor sort second.
    void twentyFiveAdditionsLeaveTheTwentyNewestPrivately() {
        for (int i = 1; i < 25; ++i)
            History::add(pngOf(QSize(i, 1)), morning.addSecs(i));
        History::add(pngOf(QSize(3000, 2000)), morning.addSecs(24));

        const QStringList entries = History::items();

        QCOMPARE(History::folder(), m_home.path() + "/Brindlecap/Recientes");
        QCOMPARE(entries.size(), 20);
        QCOMPARE(QImage(entries[0]).size(), QSize(3000, 2000));
        QCOMPARE(QImage(entries[1]).width(), 24);
        QCOMPARE(QImage(entries[19]).width(), 6);
        for (const QString& path : {History::folder(), entries[0]}) // no group or other bits
            QCOMPARE(int(QFileInfo(path).permissions() & 0x0077), 0);
    }

    void onlyLowerCasePngFilesAreEntries() {
        QCOMPARE(History::clear(), 0); // missing folder
        const QByteArray png = pngOf(QSize(40, 30));
        putFile("X.PNG", png);
        putFile("notes.txt", png);
        putFile("20261205-000000-000.png", "");
        putFile("20261205-000000-001.png", png);
        putFile(".png", png);

        const int cleared = History::clear();

        QCOMPARE(cleared, 2);
        QCOMPARE(QDir(History::folder()).entryList(QDir::Files | QDir::Hidden).size(), 3);
    }

    void confirmAndClearAsksFirst() {
        for (int i = 0; i < 3; ++i)
            History::add(pngOf(QSize(2, 2)), morning.addSecs(i));
        QString shown;
        const auto answered = [&](const QString& button) {
            QTimer::singleShot(0, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                shown = box ? box->text() : QString();
                for (QAbstractButton* b : box ? box->buttons() : QList<QAbstractButton*>())
                    if (b->text() == button)
                        b->click();
            });
            return History::confirmAndClear();
        };

        QVERIFY(!answered(QStringLiteral("Cancelar")));
        QCOMPARE(History::items().size(), 3);
        QVERIFY(answered(QStringLiteral("Vaciar")));
        QCOMPARE(History::items().size(), 0);
        QCOMPARE(shown, "¿Vaciar las 3 capturas recientes?");
    }
};

QTEST_MAIN(tst_History)
#include "tst_History.moc"
