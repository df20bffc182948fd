#include "platform/SystemCharsets.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace quarrow::SystemCharsets {

namespace {

// Windows has carried ICU as a system library since Windows 10 version 1903, with ICU's
// C functions under their plain names. It is loaded from the system folder only: an
// icu.dll put beside the program must not be taken for it.
class SystemIcu {
public:
    using Status = int;  // UErrorCode: above 0 a failure
    using Open = void* (*)(Status*);
    using SetText = void (*)(void*, const char*, std::int32_t, Status*);
    using DetectAll = const void** (*)(void*, std::int32_t*, Status*);
    using GetName = const char* (*)(const void*, Status*);
    using GetConfidence = std::int32_t (*)(const void*, Status*);
    using Close = void (*)(void*);
    using AllCharsets = void* (*)(const void*, Status*);
    using SetDetectable = void (*)(void*, const char*, std::int8_t, Status*);  // UBool enabled
    using Next = const char* (*)(void*, std::int32_t*, Status*);
    using CloseNames = void (*)(void*);

    SystemIcu() {
        m_library = LoadLibraryExW(L"icu.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (!m_library)
            return;
        m_open = function<Open>("ucsdet_open");
        m_setText = function<SetText>("ucsdet_setText");
        m_detectAll = function<DetectAll>("ucsdet_detectAll");
        m_getName = function<GetName>("ucsdet_getName");
        m_getConfidence = function<GetConfidence>("ucsdet_getConfidence");
        m_close = function<Close>("ucsdet_close");
        // Turning recognisers off is a call ICU marks internal, which the system's ICU may
        // not carry: without it every recogniser runs, on the same short sample.
        m_allCharsets = function<AllCharsets>("ucsdet_getAllDetectableCharsets");
        m_setDetectable = function<SetDetectable>("ucsdet_setDetectableCharset");
        m_next = function<Next>("uenum_next");
        m_closeNames = function<CloseNames>("uenum_close");
    }

    bool usable() const {
        return m_open && m_setText && m_detectAll && m_getName && m_getConfidence && m_close;
    }

    int gb18030Confidence(const QByteArray& bytes) const {
        constexpr qsizetype kSample = 8192;
        Status status = 0;
        void* detector = m_open(&status);
        if (status > 0 || !detector)
            return 0;
        onlyGb18030(detector);
        m_setText(detector, bytes.constData(), static_cast<std::int32_t>(std::min(bytes.size(), kSample)),
                  &status);
        std::int32_t count = 0;
        const void** matches = status > 0 ? nullptr : m_detectAll(detector, &count, &status);
        int confidence = 0;
        for (std::int32_t i = 0; matches && status <= 0 && i < count; ++i) {
            const char* name = m_getName(matches[i], &status);
            const std::int32_t value = m_getConfidence(matches[i], &status);
            if (status > 0 || !name)
                break;
            if (std::strcmp(name, "GB18030") == 0)
                confidence = std::max(confidence, static_cast<int>(value));
        }
        m_close(detector);
        return confidence;
    }

private:
    template <typename F>
    F function(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m_library, name)));
    }

    void onlyGb18030(void* detector) const {
        if (!m_allCharsets || !m_setDetectable || !m_next || !m_closeNames)
            return;
        Status status = 0;
        void* names = m_allCharsets(detector, &status);
        const char* name = nullptr;
        while (names && status <= 0 && (name = m_next(names, nullptr, &status)) != nullptr) {
            Status ignored = 0;
            if (std::strcmp(name, "GB18030") != 0)
                m_setDetectable(detector, name, 0, &ignored);
        }
        if (names)
            m_closeNames(names);
    }

    HMODULE m_library = nullptr;
    Open m_open = nullptr;
    SetText m_setText = nullptr;
    DetectAll m_detectAll = nullptr;
    GetName m_getName = nullptr;
    GetConfidence m_getConfidence = nullptr;
    Close m_close = nullptr;
    AllCharsets m_allCharsets = nullptr;
    SetDetectable m_setDetectable = nullptr;
    Next m_next = nullptr;
    CloseNames m_closeNames = nullptr;
};

const SystemIcu& systemIcu() {
    static const SystemIcu icu;
    return icu;
}

constexpr UINT kGb18030 = 54936;
constexpr UINT kGbk = 936;

// Every Windows since XP converts GB18030; Wine does not, and gets GBK, which lacks only
// the characters GB18030 adds with its four-byte sequences.
UINT gbCodePage() {
    static const UINT codePage = IsValidCodePage(kGb18030) ? kGb18030 : kGbk;
    return codePage;
}

bool inRange(unsigned char byte, unsigned char low, unsigned char high) {
    return byte >= low && byte <= high;
}

// The length of the GB18030 sequence that starts at `at`, 0 for a byte that starts none.
int sequenceLength(const unsigned char* at, std::size_t left) {
    if (at[0] < 0x80)
        return 1;
    if (!inRange(at[0], 0x81, 0xFE) || left < 2)
        return 0;
    if (inRange(at[1], 0x40, 0x7E) || inRange(at[1], 0x80, 0xFE))
        return 2;
    if (inRange(at[1], 0x30, 0x39) && left >= 4 && inRange(at[2], 0x81, 0xFE) && inRange(at[3], 0x30, 0x39))
        return 4;
    return 0;
}

// Strict: a run the code page does not map as a whole gives nothing.
bool convertRun(const char* bytes, int length, std::wstring& out) {
    if (length == 0)
        return true;
    const int size = MultiByteToWideChar(gbCodePage(), MB_ERR_INVALID_CHARS, bytes, length, nullptr, 0);
    if (size <= 0)
        return false;
    const std::size_t start = out.size();
    out.resize(start + static_cast<std::size_t>(size));
    MultiByteToWideChar(gbCodePage(), MB_ERR_INVALID_CHARS, bytes, length, out.data() + start, size);
    return true;
}

}  // namespace

bool convertsGb18030() {
    return gbCodePage() == kGb18030;
}

std::optional<int> gb18030Confidence(const QByteArray& bytes) {
    if (!systemIcu().usable())
        return std::nullopt;
    return systemIcu().gb18030Confidence(bytes);
}

std::optional<QString> decodeGb18030(const QByteArray& bytes, bool* replaced) {
    // The bytes are cut into runs of well-formed sequences, each run converted in one go;
    // a byte that starts no sequence, or a sequence the code page does not map, becomes a
    // replacement character, so the text around it survives.
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto size = static_cast<std::size_t>(bytes.size());
    std::wstring text;
    text.reserve(size);
    bool broken = false;
    std::size_t runStart = 0;
    const auto flushRun = [&](std::size_t end) {
        const auto* run = reinterpret_cast<const char*>(data + runStart);
        if (convertRun(run, static_cast<int>(end - runStart), text))
            return;
        for (std::size_t at = runStart; at < end;) {
            const auto length = static_cast<std::size_t>(sequenceLength(data + at, end - at));
            if (!convertRun(reinterpret_cast<const char*>(data + at), static_cast<int>(length), text)) {
                text += L'\xFFFD';
                broken = true;
            }
            at += length;
        }
    };
    for (std::size_t at = 0; at < size;) {
        const int length = sequenceLength(data + at, size - at);
        if (length > 0) {
            at += static_cast<std::size_t>(length);
            continue;
        }
        flushRun(at);
        text += L'\xFFFD';
        broken = true;
        runStart = ++at;
    }
    flushRun(size);
    if (replaced)
        *replaced = broken;
    return QString::fromWCharArray(text.data(), static_cast<qsizetype>(text.size()));
}

std::optional<QByteArray> encodeGb18030(const QString& text) {
    // A surrogate without its partner would fail the whole conversion.
    std::wstring wide = text.toStdWString();
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const bool high = wide[i] >= 0xD800 && wide[i] <= 0xDBFF;
        const bool low = wide[i] >= 0xDC00 && wide[i] <= 0xDFFF;
        if (high && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF)
            ++i;
        else if (high || low)
            wide[i] = L'?';
    }
    if (wide.empty())
        return QByteArray();
    const int length = static_cast<int>(wide.size());
    const int size = WideCharToMultiByte(gbCodePage(), 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return QByteArray();
    QByteArray bytes(size, '\0');
    WideCharToMultiByte(gbCodePage(), 0, wide.data(), length, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

std::optional<bool> fitsCodePage936(const QString& text) {
    const std::wstring wide = text.toStdWString();
    if (wide.empty())
        return true;
    BOOL usedDefault = FALSE;
    const int length = static_cast<int>(wide.size());
    const int size = WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr, 0, nullptr,
                                         &usedDefault);
    return size > 0 && !usedDefault;
}

}  // namespace quarrow::SystemCharsets
