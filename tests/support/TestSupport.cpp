#include "support/TestSupport.h"

#include <QCoreApplication>
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

// Every test executable gets a QCoreApplication: the SQL driver and the event pump want one.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
