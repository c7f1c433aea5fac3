#pragma once

#include <QImage>
#include <QObject>
#include <QSet>
#include <QThreadPool>

#include <functional>
#include <mutex>

// Recognises the text of history entries in the background, one at a time on a thread of the
// lowest priority, with the warm engine the editor's text button uses: a capture never waits for
// it. schedule() may be called from any thread; the signal arrives on the main thread.
class TextIndexer : public QObject {
    Q_OBJECT

public:
    static TextIndexer& shared();
    ~TextIndexer() override;

    // A freshly filed entry, read from the picture it was encoded from.
    void schedule(const QString& entry, const QImage& picture, double scale);
    // Every entry without readable text (none yet, deleted or corrupt), read from its file.
    void catchUp();

Q_SIGNALS:
    // The entry's text is kept.
    void indexed(const QString& entry);

private:
    TextIndexer();
    void run(const QString& entry, const std::function<bool()>& work);
    void stop();

    QThreadPool m_pool;
    std::mutex m_mutex;
    // Entries queued or being read, so a catch-up does not read them twice.
    QSet<QString> m_waiting;
    bool m_catchingUp = false;
};
