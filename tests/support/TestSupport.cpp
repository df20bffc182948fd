#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quarrow::test {

TempHome::TempHome() {
    EXPECT_TRUE(m_dir.isValid());
}

QString dataPath(const QString& name) {
    return QDir(QStringLiteral(QUARROW_TEST_DATA)).filePath(name);
}

QString copyDataFile(const QString& name, const QString& folder) {
    const QString copy = QDir(folder).filePath(QFileInfo(name).fileName());
    QFile::remove(copy);
    EXPECT_TRUE(QFile::copy(dataPath(name), copy)) << name.toStdString();
    EXPECT_TRUE(QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ReadGroup | QFileDevice::ReadOther));
    return copy;
}

QByteArray dataFile(const QString& name) {
    QFile file(dataPath(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return file.readAll();
}

std::vector<QStringList> readCsv(const QString& text) {
    std::vector<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            record << field;
            field.clear();
        } else if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) {
            record << field;
            field.clear();
            records.push_back(record);
            record.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return records;
}

}  // namespace quarrow::test
