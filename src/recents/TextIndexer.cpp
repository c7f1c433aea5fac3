#include "recents/TextIndexer.h"

#include "platform/TextReader.h"
#include "recents/TextIndex.h"

#include <QCoreApplication>
#include <QThread>

#include <malloc.h>

TextIndexer& TextIndexer::shared() {
    static TextIndexer* instance = [] {
        auto* made = new TextIndexer;
        // Its signal is delivered on the main thread whoever asked first.
        made->moveToThread(QCoreApplication::instance()->thread());
        made->setParent(QCoreApplication::instance());
        return made;
    }();
    return *instance;
}

// The pool is a child, so it moves to the main thread with its owner.
TextIndexer::TextIndexer() : m_pool(this) {
    m_pool.setMaxThreadCount(1);
    // SCHED_IDLE on Linux: the capture path and everything else run first.
    m_pool.setThreadPriority(QThread::IdlePriority);
    // The engine lets its models go in a routine at the application's end; routines run newest
    // first, so this one, added after it, stops the readings before that.
    (void)TextReader::shared();
    qAddPostRoutine([] { shared().stop(); });
}

TextIndexer::~TextIndexer() {
    stop();
}

void TextIndexer::stop() {
    m_pool.clear();
    m_pool.waitForDone();
}

void TextIndexer::schedule(const QString& entry, const QImage& picture, double scale) {
    if (entry.isEmpty() || picture.isNull())
        return;
    run(entry, [entry, picture, scale] { return bool(TextIndex::index(entry, picture, scale)); });
}

void TextIndexer::catchUp() {
    {
        std::lock_guard lock(m_mutex);
        if (std::exchange(m_catchingUp, true))
            return;
    }
    m_pool.start([this] {
        const QStringList missing = TextIndex::missing();
        {
            std::lock_guard lock(m_mutex);
            m_catchingUp = false;
        }
        for (const QString& entry : missing)
            run(entry, [entry] { return bool(TextIndex::index(entry)); });
    });
}

void TextIndexer::run(const QString& entry, const std::function<bool()>& work) {
    {
        std::lock_guard lock(m_mutex);
        if (m_waiting.contains(entry))
            return;
        m_waiting.insert(entry);
    }
    m_pool.start([this, entry, work] {
        const bool kept = work();
        {
            std::lock_guard lock(m_mutex);
            m_waiting.remove(entry);
        }
        // A 4K reading leaves tens of megabytes of small freed blocks in malloc's heap.
        malloc_trim(0);
        if (kept)
            QMetaObject::invokeMethod(this, [this, entry] { Q_EMIT indexed(entry); });
    });
}
