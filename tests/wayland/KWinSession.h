#pragma once

// The headless KWin session that tests/wayland/kwin-session.sh started for this test run.
#include <QFile>
#include <QProcessEnvironment>

namespace KWinSession {

// This process's environment plus the session's (STATE/env: export NAME='value' lines); empty
// when no session runs.
inline QProcessEnvironment environment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QFile file(qEnvironmentVariable("BRINDLE_KWIN_STATE") + QStringLiteral("/env"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& line : file.readAll().split('\n')) {
        const int eq = line.indexOf('=');
        if (!line.startsWith("export ") || eq < 0)
            continue;
        QByteArray value = line.mid(eq + 1);
        if (value.startsWith('\'') && value.endsWith('\''))
            value = value.mid(1, value.size() - 2);
        env.insert(QString::fromUtf8(line.mid(7, eq - 7)), QString::fromUtf8(value));
    }
    return env;
}

} // namespace KWinSession
