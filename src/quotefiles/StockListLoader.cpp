#include "quotefiles/StockListLoader.h"

#include "app/SafeFile.h"
#include "app/TextCodec.h"
#include "app/Trim.h"
#include "quotefiles/FileOP.h"
#include "quotefiles/QuotePaths.h"

#include <QFileInfo>
#include <QtEndian>

namespace quarrow {

namespace {

constexpr int kNameTableHeader = 50;
constexpr int kNameTableRecord = 314;
const QString kMissingQuoteFile = QStringLiteral(" 不存在!需要安装华林证券或东方证券行情分析软件");

// A NUL-terminated GBK text within its field. A name cut in the middle of a double-byte
// character loses the broken half rather than showing a replacement mark.
QString fieldText(const char* field, int width) {
    int length = 0;
    while (length < width && field[length] != '\0')
        ++length;
    QString text = TextCodec::decodeGbk(QByteArray(field, length));
    while (text.endsWith(QChar(QChar::ReplacementCharacter)))
        text.chop(1);
    return trimBlanks(text);
}

int numberOrZero(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? value : 0;
}

}  // namespace

QList<NameTableRecord> readNameTable(const QString& path) {
    const QByteArray bytes = readWholeFile(path);
    QList<NameTableRecord> records;
    for (qsizetype offset = kNameTableHeader; bytes.size() - offset >= kNameTableRecord;
         offset += kNameTableRecord) {
        const char* record = bytes.constData() + offset;
        NameTableRecord entry;
        entry.code = fieldText(record, 7);
        entry.name = fieldText(record + 23, 9);
        entry.type = qFromLittleEndian<qint32>(record + 72);
        entry.flag = qFromLittleEndian<qint16>(record + 272);
        records.append(entry);
    }
    return records;
}

QStringList composeHandKeptLines(const QStringList& pastedLines) {
    QStringList lines;
    QString market;
    CodeRange range;
    for (const QString& line : pastedLines) {
        if (line == QStringLiteral("上海股票")) {
            market = QStringLiteral("sh");
            range = CodeRange::shanghai();
            continue;
        }
        if (line == QStringLiteral("深圳股票")) {
            market = QStringLiteral("sz");
            range = CodeRange::shenzhen();
            continue;
        }
        QString name;
        QString code;
        bool inCode = false;
        for (const QChar c : line) {
            if (!inCode && c == QLatin1Char('(')) {
                inCode = true;
            } else if (inCode && c == QLatin1Char(')')) {
                name = trimBlanks(name);
                code = trimBlanks(code);
                if (range.contains(numberOrZero(code)))
                    lines.append(market + QLatin1Char('|') + name + QLatin1Char('|') + code);
                name.clear();
                code.clear();
                inCode = false;
            } else {
                (inCode ? code : name) += c;
            }
        }
    }
    return lines;
}

QString handKeptTableName() {
    return QStringLiteral("STCodeName.txt");
}

QString handKeptLine(const StockEntry& stock) {
    return stock.key.left(2) + QLatin1Char('|') + stock.name + QLatin1Char('|') + stock.key.mid(2);
}

bool writeHandKeptTable(const QString& handKeptFile, const QStringList& lines, QString* error) {
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += TextCodec::encodeGbk(line) + "\r\n";
    return SafeFile::replace(handKeptFile, bytes, error);
}

StockListLoader::StockListLoader(AppFrame& frame) : m_frame(frame) {}

void StockListLoader::finishLoad(StockList& list) {
    list.setComplete(true);
    m_frame.setStatusPanel(StatusPanel::Stocks, QString::number(list.size()));
}

void StockListLoader::loadFromNameTables(const QString& quoteFolder, StockList& list) {
    list.setComplete(false);
    list.clear();
    const struct {
        const char* market;
        CodeRange range;
    } tables[] = {{"sz", CodeRange::shenzhen()}, {"sh", CodeRange::shanghai()}};
    for (const auto& table : tables) {
        const QString market = QString::fromLatin1(table.market);
        const QString path = QuotePaths::nameTableFile(quoteFolder, market);
        if (!QFileInfo::exists(path)) {
            m_frame.ShowPrompt(path + kMissingQuoteFile);
            continue;
        }
        for (const NameTableRecord& record : readNameTable(path)) {
            if (record.type == 2 && record.flag != 0 && table.range.contains(numberOrZero(record.code)))
                list.append(market + record.code, record.name);
        }
    }
    finishLoad(list);
}

void StockListLoader::loadHandKept(const QString& handKeptFile, StockList& list) {
    if (!QFileInfo::exists(handKeptFile)) {
        m_frame.ShowPrompt(handKeptTableName() + QStringLiteral("不存在!"));
        return;
    }
    list.setComplete(false);
    list.clear();
    const QStringList lines = TextCodec::splitLines(TextCodec::decode(readWholeFile(handKeptFile)));
    CodeRange range{0, 0};
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        if (line.isEmpty() || line.startsWith(QLatin1Char('/')))
            continue;
        const QStringList fields = line.split(QLatin1Char('|'));
        if (fields.size() != 3)
            continue;
        const QString& market = fields.at(0);
        if (market == QLatin1String("sz"))
            range = CodeRange::shenzhen();
        else if (market == QLatin1String("sh"))
            range = CodeRange::shanghai();
        bool isNumber = false;
        const int code = fields.at(2).toInt(&isNumber);
        if (!isNumber) {
            m_frame.addLog(QStringLiteral("\t%1第%2行的代码不是数字,已跳过: %3")
                               .arg(handKeptTableName())
                               .arg(i + 1)
                               .arg(line),
                           LogColor::Red);
            continue;
        }
        if (range.contains(code))
            list.append(market + fields.at(2), fields.at(1));
    }
    finishLoad(list);
}

void StockListLoader::loadAtStartUp(const QString& quoteFolder, const QString& handKeptFile,
                                    StockList& list) {
    loadFromNameTables(quoteFolder, list);
    if (list.isEmpty())
        loadHandKept(handKeptFile, list);
}

HandKeptSave StockListLoader::saveHandKeptFromWebText(
    const QStringList& pastedLines, const QString& handKeptFile, QStringList* composed,
    const std::function<void(const QStringList&)>& showComposed) {
    MessageRequest first;
    first.text = QStringLiteral("必须先从东方证券网站上复制指定的最新股票代码.\r并将其粘贴在左边内容区!");
    first.buttons = MessageButtons::YesNo;
    if (m_frame.showMessage(first) != MessageAnswer::Yes)
        return HandKeptSave::Cancelled;

    const QStringList lines = composeHandKeptLines(pastedLines);
    if (composed)
        *composed = lines;
    if (showComposed)
        showComposed(lines);
    MessageRequest check;
    check.text = QStringLiteral("请核实右边内容区的数据是否为以下格式!\rsz|深发展A|000001");
    check.buttons = MessageButtons::YesNo;
    if (m_frame.showMessage(check) != MessageAnswer::Yes)
        return HandKeptSave::Cancelled;

    QString error;
    if (!writeHandKeptTable(handKeptFile, lines, &error)) {
        m_frame.ShowPrompt(QStringLiteral("保存") + handKeptFile + QStringLiteral("出错:") + error);
        return HandKeptSave::Failed;
    }
    return HandKeptSave::Saved;
}

}  // namespace quarrow
