#include <QCoreApplication>

#include <gtest/gtest.h>

// Every test executable gets a QCoreApplication: the SQL driver and the event pump want one.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
