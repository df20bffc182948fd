// The libFuzzer entry of one target; QUARROW_FUZZ_TARGET names its check.
#include "FuzzSupport.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const quarrow::fuzz::FuzzCheck& targetCheck() {
    static const quarrow::fuzz::FuzzCheck* found = [] {
        for (const auto& check : quarrow::fuzz::fuzzChecks()) {
            if (std::strcmp(check.name, QUARROW_FUZZ_TARGET) == 0)
                return &check;
        }
        std::fprintf(stderr, "no fuzz check is named %s\n", QUARROW_FUZZ_TARGET);
        std::abort();
    }();
    return *found;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The SQL driver wants an application object; libFuzzer's own arguments stay away from it.
    static int argc = 1;
    static char name[] = "fuzz_" QUARROW_FUZZ_TARGET;
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    targetCheck();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString broken = targetCheck().run(input);
    if (!broken.isEmpty()) {
        std::fprintf(stderr, "\n== %s: a property does not hold:\n%s\n", QUARROW_FUZZ_TARGET,
                     broken.toUtf8().constData());
        std::abort();
    }
    return 0;
}
