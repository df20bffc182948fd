#include "platform/SystemCharsets.h"

#include <unicode/ucsdet.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

namespace quarrow::SystemCharsets {

// ICU's charset detector. It counts invalid sequences against the valid ones and weighs
// the GB characters by how common they are, so one broken sequence in a long UTF-8 report
// still leaves UTF-8 far ahead.
std::optional<Confidence> detect(const QByteArray& bytes) {
    Confidence confidence;
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UCharsetDetector, decltype(&ucsdet_close)> detector(ucsdet_open(&status),
                                                                              &ucsdet_close);
    if (U_FAILURE(status))
        return confidence;
    const auto length =
        static_cast<int32_t>(std::min<qsizetype>(bytes.size(), std::numeric_limits<int32_t>::max()));
    ucsdet_setText(detector.get(), bytes.constData(), length, &status);
    int32_t count = 0;
    const UCharsetMatch** matches = ucsdet_detectAll(detector.get(), &count, &status);
    if (U_FAILURE(status))
        return confidence;
    for (int32_t i = 0; i < count; ++i) {
        const char* name = ucsdet_getName(matches[i], &status);
        const int32_t value = ucsdet_getConfidence(matches[i], &status);
        if (U_FAILURE(status))
            break;
        if (std::strcmp(name, "UTF-8") == 0)
            confidence.utf8 = std::max(confidence.utf8, static_cast<int>(value));
        else if (std::strcmp(name, "GB18030") == 0)
            confidence.gb18030 = std::max(confidence.gb18030, static_cast<int>(value));
    }
    return confidence;
}

// Qt's converters are ICU's here.
bool convertsGb18030() {
    return false;
}

std::optional<QString> decodeGb18030(const QByteArray&, bool*) {
    return std::nullopt;
}

std::optional<QByteArray> encodeGb18030(const QString&) {
    return std::nullopt;
}

std::optional<bool> fitsCodePage936(const QString&) {
    return std::nullopt;
}

}  // namespace quarrow::SystemCharsets
