#include "app/JobOutcome.h"

namespace quarrow {

namespace {

struct ReasonWords {
    JobReason reason;
    const char* chinese;
    const char* english;
};

// Each reason once, in both of the program's languages.
constexpr ReasonWords kReasons[] = {
    {JobReason::None, "", ""},
    {JobReason::Busy, "另一项任务正在进行,请等它结束后再试", "another job is running"},
    {JobReason::Declined, "已取消", "declined"},
    {JobReason::NoNetwork, "网络不通,请连接好INTERNET网络", "the computer has no network connection"},
    {JobReason::NoDatabase, "无法访问数据库", "the database is not open"},
    {JobReason::ReadOnlyStore, "数据库只能查看,不能保存新数据", "the database may be read but not written"},
    {JobReason::NoQuoteProgram, "行情分析软件没有运行", "the quote program is not running"},
    {JobReason::QuoteProgramLost, "行情分析软件无法启动", "the quote program could not be started"},
    {JobReason::QuoteProgramRefusesInput, "行情分析软件以管理员身份运行,不接受本程序的按键",
     "the quote program runs as administrator and takes no keys from this program"},
    {JobReason::NoMonitorWindow, "行情软件的\"主力监控总览\"窗口没有打开",
     "the quote program's monitor window is not open"},
    {JobReason::NothingToWatch, "没有挑选需要监视的股票", "no stock is picked to watch"},
    {JobReason::ChatNotReached, "信息没有发送到QQ聊天窗口", "chat lines did not reach the QQ chat window"},
    {JobReason::InvalidInput, "输入的内容不正确", "the input does not read"},
    {JobReason::StoreFailed, "数据库写入失败", "the database refused to store"},
    {JobReason::StoreUnreadable, "数据库读取出错", "the database could not be read"},
    {JobReason::SettingsFailed, "设置文件写入失败", "the settings file refused a write"},
    {JobReason::LogFailed, "日志文件无法保存", "the run's log file could not be written"},
    {JobReason::FilesFailed, "文件无法读写", "files could not be read, written or deleted"},
    {JobReason::NothingCaptured, "没有抓取到任何股票的龙虎榜单", "no report was captured"},
    {JobReason::NothingStored, "没有可以保存的数据", "nothing in it could be stored"},
    {JobReason::PageProblem, "服务器的页面无法读取", "the server's page could not be read"},
    {JobReason::NoProgress, "服务器不断返回没有数据的页面", "the server kept sending pages without data"},
    {JobReason::Unexpected, "意外错误", "an unexpected error"},
};

const ReasonWords& wordsOf(JobReason reason) {
    for (const ReasonWords& words : kReasons) {
        if (words.reason == reason)
            return words;
    }
    return kReasons[0];
}

// A refusal of the settings file, of the log or of files does not end a job where it
// stands; the database's refusal does, and is the one to report. Of the others, what the
// job could not do (files) weighs more than what it could not note (the settings file).
int weight(JobReason reason) {
    switch (reason) {
        case JobReason::SettingsFailed:
            return 0;
        case JobReason::LogFailed:
        case JobReason::FilesFailed:
        case JobReason::ChatNotReached:
            return 1;
        default:
            return 2;
    }
}

bool endsTheJob(JobReason reason) {
    return weight(reason) == 2;
}

QString withDetail(const QString& text, const QString& detail) {
    if (detail.isEmpty())
        return text;
    if (text.isEmpty())
        return detail;
    return text + QStringLiteral(": ") + detail;
}

}  // namespace

QString jobName(JobKind kind) {
    switch (kind) {
        case JobKind::Mining:
            return QStringLiteral("数据挖掘");
        case JobKind::Reanalysis:
            return QStringLiteral("恢复挖掘数据");
        case JobKind::Download:
            return QStringLiteral("下载操盘数据");
        case JobKind::Relay:
            return QStringLiteral("QQ监视");
        case JobKind::Capture:
            return QStringLiteral("抓取主力买卖");
        case JobKind::Fetch:
            return QStringLiteral("获取龙虎榜单");
        case JobKind::Extraction:
            return QStringLiteral("提取操盘数据");
        case JobKind::FilteredDelete:
            return QStringLiteral("删除数据");
        case JobKind::DocumentCleanup:
            return QStringLiteral("删除过旧的股票文档资料");
        case JobKind::Backup:
            return QStringLiteral("备份数据库");
        case JobKind::TrackRecord:
            return QStringLiteral("营业部战绩统计");
        case JobKind::StoreImport:
            return QStringLiteral("导入数据库");
        case JobKind::QuoteLaunch:
            return QStringLiteral("启动行情分析软件");
    }
    return {};
}

bool JobOutcome::mustEnd() const {
    return end == JobEnd::Failed && endsTheJob(reason);
}

void JobOutcome::notStart(JobReason why, const QString& words) {
    end = JobEnd::NotStarted;
    reason = why;
    detail = words;
}

void JobOutcome::begin() {
    if (end == JobEnd::NotStarted) {
        end = JobEnd::Done;
        reason = JobReason::None;
        detail.clear();
    }
}

void JobOutcome::stop() {
    if (end == JobEnd::Done)
        end = JobEnd::Stopped;
}

void JobOutcome::fail(JobReason why, const QString& words) {
    if (end == JobEnd::Failed && weight(why) <= weight(reason))
        return;
    end = JobEnd::Failed;
    reason = why;
    detail = words;
}

void JobOutcome::failStore(const QString& error) {
    fail(JobReason::StoreFailed, error.isEmpty() ? QStringLiteral("the database refused the write") : error);
}

void JobOutcome::failSettings(const QString& error) {
    const QString words = error.isEmpty() ? QStringLiteral("the settings file refused the write") : error;
    if (settingsError.isEmpty())
        settingsError = words;
    fail(JobReason::SettingsFailed, words);
}

QString JobOutcome::reasonText() const {
    return withDetail(QString::fromUtf8(wordsOf(reason).chinese), detail);
}

QString JobOutcome::reasonTextEnglish() const {
    return withDetail(QString::fromUtf8(wordsOf(reason).english), detail);
}

}  // namespace quarrow
