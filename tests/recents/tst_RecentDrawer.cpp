// The recents drawer offscreen: its empty states, a rebuild after removing the last entry, and an
// entry that is no image.
#include "recents/CaptureTile.h"
#include "recents/DrawerPanel.h"
#include "recents/History.h"
#include "recents/RecentDrawer.h"
#include "settings/Prefs.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

QString emptyMessage() {
    DrawerPanel* panel = RecentDrawer::shared().panel();
    const QLabel* label =
        panel ? panel->findChild<QLabel*>(QStringLiteral("emptyMessage")) : nullptr;
    return label ? label->text() : QString();
}

QString toastText() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String("Toast") && w->isVisible())
            return w->findChild<QLabel*>()->text();
    }
    return {};
}

// Opens the drawer and waits until every tile has its thumbnail or knows it has none.
QList<CaptureTile*> openWithTiles() {
    QSignalSpy loaded(&RecentDrawer::shared(), &RecentDrawer::thumbnailsLoaded);
    RecentDrawer::shared().show();
    if (!loaded.wait(10000))
        return {};
    return RecentDrawer::shared().panel()->findChildren<CaptureTile*>();
}

} // namespace

class tst_RecentDrawer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        RecentDrawer::shared().hide();
        History::clear();
        Prefs::setBool(Prefs::Keys::keepHistory, true);
    }

    void emptyDrawerSaysWhetherHistoryIsOn_data() {
        QTest::addColumn<bool>("keepHistory");
        QTest::addColumn<QString>("message");

        QTest::newRow("history on") << true << "Aún no hay capturas. Haz una y aparecerá aquí.";
        QTest::newRow("history off")
            << false << "El historial está apagado. Puedes activarlo en Configuración.";
    }
    void emptyDrawerSaysWhetherHistoryIsOn() {
        QFETCH(bool, keepHistory);
        QFETCH(QString, message);
        Prefs::setBool(Prefs::Keys::keepHistory, keepHistory);

        RecentDrawer::shared().show();

        QCOMPARE(emptyMessage(), message);
        QVERIFY(!RecentDrawer::shared().panel()->findChild<QPushButton*>());
        QCOMPARE(RecentDrawer::shared().panel()->width(), 672);
    }

    // The thumbnail is kept beside the entry for the next opening and goes with it.
    void removingTheOnlyEntryRebuildsIntoTheEmptyState() {
        QImage image(3000, 2000, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        History::add(png);
        const QList<CaptureTile*> tiles = openWithTiles();
        QCOMPARE(tiles.size(), 1);
        const QString kept = History::keptThumbnailPath(tiles[0]->url());

        tiles[0]->remove();

        QVERIFY(tiles[0]->caption().endsWith(QStringLiteral("  ·  3000×2000")));
        QCOMPARE(tiles[0]->thumbnail().size(), QSize(171, 114));
        QCOMPARE(History::items(), QStringList());
        QVERIFY(!QFile::exists(kept));
        QTRY_COMPARE(emptyMessage(),
                     QStringLiteral("Aún no hay capturas. Haz una y aparecerá aquí."));
    }

    void entryThatIsNoImageHasNoPictureAndCannotBeCopied() {
        QDir().mkpath(History::folder());
        QFile corrupt(History::folder() + QStringLiteral("/20261205-081919-042.png"));
        QVERIFY(corrupt.open(QIODevice::WriteOnly));
        corrupt.write("not a picture");
        corrupt.close();
        const QList<CaptureTile*> tiles = openWithTiles();
        QCOMPARE(tiles.size(), 1);

        tiles[0]->copyItem();

        QVERIFY(tiles[0]->thumbnail().isNull());
        QVERIFY(!tiles[0]->caption().contains(u'×'));
        QVERIFY(!RecentDrawer::shared().panel());
        QTRY_COMPARE(toastText(), QStringLiteral("🍃  No se pudo leer la captura"));
    }
};

QTEST_MAIN(tst_RecentDrawer)
#include "tst_RecentDrawer.moc"
