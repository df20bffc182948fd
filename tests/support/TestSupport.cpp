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

}  // namespace quarrow::test
