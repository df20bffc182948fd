#include "FuzzSupport.h"
#include "support/TestSupport.h"

#include <QDir>

using namespace quarrow;
using namespace quarrow::test;

namespace {

// Every input that once broke a property of its reader stays in tests/data/fuzz/<target>
// and goes through the same check as under the fuzzer.
class FuzzRegressionTest : public ::testing::TestWithParam<fuzz::FuzzCheck> {};

TEST_P(FuzzRegressionTest, foundInputsKeepTheirProperties) {
    const fuzz::FuzzCheck& check = GetParam();
    const QDir folder(dataPath(QStringLiteral("fuzz/") + QLatin1String(check.name)));
    for (const QFileInfo& file : folder.entryInfoList(QDir::Files, QDir::Name)) {
        SCOPED_TRACE(file.fileName().toStdString());
        EXPECT_EQ(
            check.run(dataFile(QStringLiteral("fuzz/%1/%2").arg(QLatin1String(check.name), file.fileName()))),
            QString());
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzRegressionTest, ::testing::ValuesIn(fuzz::fuzzChecks()),
                         [](const auto& target) { return std::string(target.param.name); });

}  // namespace
