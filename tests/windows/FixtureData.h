#pragma once

// What the fixture programs show, shared with the check that reads it back: the check
// compares every captured text with what the fixture was told to show.

#include <string>
#include <vector>

namespace fixture {

inline constexpr wchar_t kQuoteTitle[] = L"东方通达信 - [行情分析]";
inline constexpr char16_t kQuoteTitleMark[] = u"东方通达信";
inline constexpr wchar_t kCodeInputTitle[] = L"Tdx 键盘精灵";
inline constexpr wchar_t kMonitorTitle[] = L"主力监控总览";
inline constexpr wchar_t kChatNickname[] = L"股海老刀";
inline constexpr wchar_t kChatTitle[] = L"股海老刀 - 聊天中";
inline constexpr wchar_t kQuoteLog[] = L"quote-fixture.log";
inline constexpr wchar_t kChatLog[] = L"chat-fixture.log";

// The rows each monitor list starts with, how many arrive with each click on the list, and
// how many it holds at most.
inline constexpr int kMonitorStartRows = 3;
inline constexpr int kMonitorRowsPerClick = 2;
inline constexpr int kMonitorMaxRows = 12;

// The information page of a stock: its dragon-tiger list, the title mark in the first line.
inline std::wstring reportPage(const std::wstring& code) {
    return L"☆龙虎榜单☆ " + code +
           L" 东方不败\r\n"
           L"2026-12-08 日涨幅偏离值达7%的证券\r\n"
           L"买入金额最大的前5名\t营业部名称\t买入金额(万元)\t卖出金额(万元)\r\n"
           L"中信证券上海溧阳路营业部\t1234.56\t12.00\r\n"
           L"国泰君安证券深圳益田路营业部\t987.65\t3.21";
}

// Row `number` (0 the oldest) of monitor list `list` (0 selling, 1 buying), as its cells:
// time, stock name, price "/" volume.
inline std::vector<std::wstring> monitorRow(int list, int number) {
    static const wchar_t* const names[] = {L"东方不败", L"浦发银行", L"万科Ａ", L"平安银行"};
    wchar_t time[16];
    wchar_t amount[32];
    swprintf(time, 16, L"10:%02d", 10 + number);
    swprintf(amount, 32, L"%d.%02d/%d", 10 + list, number, 12345 + 1000 * number + list);
    return {time, names[(number + list) % 4], amount};
}

}  // namespace fixture
