#include "app/PlatformOptions.h"

#include "app/Settings.h"
#include "app/TextCodec.h"
#include "platform/Clock.h"

namespace quarrow {

PlatformOptions programPlatformOptions(const ProgramFolder& folder) {
    PlatformOptions options;
    options.decodeText = [](const QByteArray& bytes) { return TextCodec::decode(bytes); };
    options.quoteWindowTitle = [folder] {
        const SystemClock clock;
        return Settings(folder, clock).hualinSelected() ? QStringLiteral("华林证券网上交易")
                                                        : QStringLiteral("东方通达信");
    };
    options.chatNickname = [folder] {
        const SystemClock clock;
        // The placeholder that asks for a nickname names no chat window.
        return Settings(folder, clock).readText(QStringLiteral("QQ"), QStringLiteral("QQName"), QString());
    };
    return options;
}

}  // namespace quarrow
