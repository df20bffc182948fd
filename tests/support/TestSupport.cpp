#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

namespace quarrow::test {

TempHome::TempHome() {
    EXPECT_TRUE(m_dir.isValid());
}

QString dataPath(const QString& name) {
    return QDir(QStringLiteral(QUARROW_TEST_DATA)).filePath(name);
}

QByteArray dataFile(const QString& name) {
    QFile file(dataPath(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return file.readAll();
}

}  // namespace quarrow::test
