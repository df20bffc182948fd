#include "FuzzSupport.h"
#include "support/TestSupport.h"

#include <QDir>

#include <ostream>

namespace quarrow::fuzz {
void PrintTo(const FuzzCheck& check, std::ostream* os) {
    *os << check.name;
}
}  // namespace quarrow::fuzz

using namespace quarrow;
using namespace quarrow::test;

namespace {

// Every input that once broke a property of its reader stays in tests/data/fuzz/<target>
// and goes through the same check as under the fuzzer.
class FuzzRegressionTest : public ::testing::TestWithParam<fuzz::FuzzCheck> {};

TEST_P(FuzzRegressionTest, foundInputsKeepTheirProperties) {
    const fuzz::FuzzCheck& check = GetParam();
    const QString folder = QStringLiteral("fuzz/") + QLatin1String(check.name);
    for (const QString& name : QDir(dataPath(folder)).entryList(QDir::Files, QDir::Name)) {
        const QByteArray input = dataFile(folder + QLatin1Char('/') + name);
        EXPECT_EQ(check.run(input), QString()) << name.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzRegressionTest, ::testing::ValuesIn(fuzz::fuzzChecks()),
                         [](const auto& target) { return std::string(target.param.name); });

}  // namespace
