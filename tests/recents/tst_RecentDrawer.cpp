// The recents drawer offscreen: its empty states, a rebuild after removing the last entry, and an
// entry that is no image.
#include "EntryPng.h"
#include "recents/CaptureTile.h"
#include "recents/DrawerPanel.h"
#include "recents/History.h"
#include "recents/RecentDrawer.h"
#include "settings/Prefs.h"

#include <QApplication>
#include <QLabel>
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

    // The thumbnail is kept beside the entry for the next opening and goes with it; with the
    // history off the empty drawer says so.
    void removingTheOnlyEntryRebuildsIntoTheEmptyState() {
        History::add(pngOf(QSize(3000, 2000)));
        const QList<CaptureTile*> tiles = openWithTiles();
        QCOMPARE(tiles.size(), 1);
        const QString kept = History::keptThumbnailPath(tiles[0]->url());

        tiles[0]->remove();

        QCOMPARE(History::items(), QStringList());
        QVERIFY(!QFile::exists(kept));
        QTRY_COMPARE(emptyMessage(), u"Aún no hay capturas. Haz una y aparecerá aquí."_qs);
        Prefs::setBool(Prefs::Keys::keepHistory, false);
        RecentDrawer::shared().hide();
        RecentDrawer::shared().show();
        QCOMPARE(emptyMessage(),
                 u"El historial está apagado. Puedes activarlo en Configuración."_qs);
    }

    void entryThatIsNoImageHasNoPictureAndCannotBeCopied() {
        History::add("not a picture");
        const QList<CaptureTile*> tiles = openWithTiles();
        QCOMPARE(tiles.size(), 1);

        tiles[0]->copyItem();

        QVERIFY(!RecentDrawer::shared().panel());
        QTRY_COMPARE(toastText(), QStringLiteral("🍃  No se pudo leer la captura"));
    }
};

QTEST_MAIN(tst_RecentDrawer)
#include "tst_RecentDrawer.moc"
