#pragma once

#include <QString>

namespace quarrow::FigureFormat {

// Figures as users of Chinese stock software read them, the same on every page, the
// window's grids and the digest alike: fixed decimals with thousands separators, large
// amounts in 万 (10,000) or 亿 (100 million) with their unit, percents with their sign.
// Files meant for other programs (CSV, the command line's tables) keep plain numbers and
// never go through here.

// Whether a figure reads as a rise or buying (red), a fall or selling (green), or neither.
enum class Tone { Plain, Rise, Fall };

// The tone of a signed figure: above zero a rise, below a fall.
Tone toneOf(double value);

// A cell as a grid of the window or a table of the digest shows it: its text, whether it
// is a figure (right-aligned) and its tone.
struct Cell {
    QString text;
    bool figure = false;
    Tone tone = Tone::Plain;
};

// "8,998.57": the decimals given, the separators of the Chinese locale whatever the machine's.
QString fixed(double value, int decimals);
// An amount counted in 10,000s (the stored amounts, in 万元): "8,998.57万", from 100
// million on "1.48亿"; the unit suffix follows the 万 or 亿 ("万股").
QString tenThousands(double tenThousands, const QString& unitSuffix = {});
// A count of single units (shares, lots, yuan): whole below 10,000 ("8,523手"), then
// in 万 or 亿 ("11.16万手").
QString units(double units, const QString& unit);
// A price in yuan: two decimals, a third and fourth only where the price has them.
QString price(double yuan);
// A percent figure: "12.35%"; a small loss that rounds to nothing shows no sign.
QString percent(double value, int decimals = 2);

// The memo a stored day of high turnover carries. Such a day prints no price change: the
// rate stored for it is the turnover threshold that listed it, 20.
bool isTurnoverMemo(const QString& memo);
// What a turnover day's stored rate shows instead of a change: "换手率>20%".
QString turnoverRateText();

}  // namespace quarrow::FigureFormat
