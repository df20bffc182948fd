#pragma once

#include "quotefiles/DailyBar.h"
#include "quotefiles/QuotePaths.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QString>

#include <gtest/gtest.h>

namespace quarrow::test {

// A bar with the fields the readers look at; high and low follow open and close.
inline DailyBar makeBar(qint32 date, qint32 open, qint32 close, qint32 volume = 100000,
                        float amount = 1.0e6f) {
    DailyBar bar;
    bar.Date = date;
    bar.Open = open;
    bar.Close = close;
    bar.High = std::max(open, close);
    bar.Low = std::min(open, close);
    bar.Volume = volume;
    bar.Amount = amount;
    return bar;
}

inline QByteArray barBytes(const QList<DailyBar>& bars) {
    QByteArray bytes(bars.size() * DailyBar::kSize, '\0');
    for (qsizetype i = 0; i < bars.size(); ++i)
        bars[i].toBytes(bytes.data() + i * DailyBar::kSize);
    return bytes;
}

inline void writeBytes(const QString& path, const QByteArray& bytes) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// Writes a stock's daily-bar file below the quote folder, where the readers look for it.
inline void writeBars(const QString& quoteFolder, const QString& prefixedCode, const QList<DailyBar>& bars,
                      const QByteArray& tail = QByteArray()) {
    writeBytes(QuotePaths::dailyBarFile(quoteFolder, prefixedCode), barBytes(bars) + tail);
}

// Consecutive days from 20170301 with the given closes; the first bar opens at `open`.
inline QList<DailyBar> barsWithCloses(const QList<qint32>& closes, qint32 open, qint32 volume = 100000) {
    QList<DailyBar> bars;
    qint32 previous = open;
    for (qsizetype i = 0; i < closes.size(); ++i) {
        bars.append(makeBar(20170301 + static_cast<qint32>(i), previous, closes[i], volume));
        previous = closes[i];
    }
    return bars;
}

}  // namespace quarrow::test
