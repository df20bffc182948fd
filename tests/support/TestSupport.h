#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

QT_BEGIN_NAMESPACE
// Readable failure messages for Qt types.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QDate& day, std::ostream* os) {
    *os << day.toString(Qt::ISODate).toStdString();
}
inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '[' << list.join(QStringLiteral(" | ")).toStdString() << ']';
}
QT_END_NAMESPACE

namespace quarrow::test {

// A fresh program folder per test, removed afterwards.
class TempHome {
public:
    TempHome();
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

// A file of tests/data, read as bytes.
QByteArray dataFile(const QString& name);
QString dataPath(const QString& name);
// A file of tests/data copied into folder, readable by everyone, for a program that runs as
// another user: the checkout may sit in a folder only its owner can enter. The copy's path.
QString copyDataFile(const QString& name, const QString& folder);

// RFC 4180 read back the way a spreadsheet program reads it: quoted fields may hold
// commas, doubled quotes and line breaks; records end with CR LF.
std::vector<QStringList> readCsv(const QString& text);

}  // namespace quarrow::test
