#include "platform/SystemCharsets.h"

#include <unicode/ucsdet.h>
#include <unicode/uenum.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace quarrow::SystemCharsets {

// ICU's charset detector, handed no more than the first 8 KiB it reads anyway, with only
// its GB18030 recogniser on: the other thirty (Arabic, Hebrew, Cyrillic, ...) cost more than
// the whole rest of reading a report.
std::optional<int> gb18030Confidence(const QByteArray& bytes) {
    constexpr qsizetype kSample = 8192;
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UCharsetDetector, decltype(&ucsdet_close)> detector(ucsdet_open(&status),
                                                                              &ucsdet_close);
    if (U_FAILURE(status))
        return 0;
#ifndef U_HIDE_INTERNAL_API
    // Turning recognisers off is a call ICU marks internal; where it is hidden (or refuses a
    // name) every recogniser runs, on the same short sample.
    UEnumeration* names = ucsdet_getAllDetectableCharsets(detector.get(), &status);
    const char* name = nullptr;
    while (U_SUCCESS(status) && (name = uenum_next(names, nullptr, &status)) != nullptr) {
        UErrorCode ignored = U_ZERO_ERROR;
        if (std::strcmp(name, "GB18030") != 0)
            ucsdet_setDetectableCharset(detector.get(), name, false, &ignored);
    }
    uenum_close(names);
    status = U_ZERO_ERROR;
#endif
    ucsdet_setText(detector.get(), bytes.constData(), static_cast<int32_t>(std::min(bytes.size(), kSample)),
                   &status);
    int32_t count = 0;
    const UCharsetMatch** matches = ucsdet_detectAll(detector.get(), &count, &status);
    if (U_FAILURE(status))
        return 0;
    int confidence = 0;
    for (int32_t i = 0; i < count; ++i) {
        const char* found = ucsdet_getName(matches[i], &status);
        const int32_t value = ucsdet_getConfidence(matches[i], &status);
        if (U_FAILURE(status))
            break;
        if (std::strcmp(found, "GB18030") == 0)
            confidence = std::max(confidence, static_cast<int>(value));
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
