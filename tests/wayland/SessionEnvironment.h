#pragma once

// The variables a session fixture (sway-session.sh, kwin-session.sh) wrote for this test run into
// STATE/env, as export NAME='value' lines; empty when no session runs.
#include <QFile>
#include <QProcessEnvironment>

inline QProcessEnvironment sessionEnvironment(const QString& state) {
    QProcessEnvironment env;
    QFile file(state + u"/env"_qs);
    if (!file.open(QIODevice::ReadOnly))
        return env;
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
