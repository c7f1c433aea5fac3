#pragma once

// Medians the benchmarks print: one slow run from another job on the machine moves them little.
#include <QElapsedTimer>
#include <QList>

#include <algorithm>
#include <functional>

inline double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Median wall time of `runs` calls of `work`, in milliseconds.
inline double medianMs(int runs, const std::function<void()>& work) {
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.append(timer.nsecsElapsed() / 1e6);
    }
    return median(times);
}
