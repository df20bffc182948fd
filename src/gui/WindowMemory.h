#pragma once

#include <QByteArray>
#include <QHash>
#include <QPointer>
#include <QSplitter>
#include <QString>

#include <optional>
#include <span>

class QTableView;
class QWidget;

namespace quarrow {

class Settings;

// What the window keeps of how the user left it, in the settings file: its size and
// place, where the user put the windows it opens, where the splitters stand, the column widths set by hand
// and the query page's last filters. Read once when the window opens, written in one go when it closes.
class WindowMemory {
public:
    explicit WindowMemory(Settings& settings);

    void restoreGeometry(QWidget& window) const;
    // The place and size the user last gave a window of the kind named key: true when one
    // was kept and the window now stands there (moved onto a screen of this desktop).
    bool restoreWindowPlace(QWidget& window, const QString& key) const;
    // Keeps where the window stands now as the place of its kind.
    void rememberWindowPlace(const QWidget& window, const QString& key);

    // A splitter takes its remembered position now and is remembered as it stands later.
    void trackSplitter(QSplitter& splitter);

    // The grid's columns as wide as what they show in the font in use, none narrower than
    // the widths given; a width the user set by hand wins. grid names the grid's kind, so
    // every window of a kind shares the widths.
    void sizeColumns(QTableView& grid, const QString& gridKey, std::span<const int> minimumWidths = {});
    // Remembers the widths the user sets on the grid's columns from now on.
    void trackColumns(QTableView& grid, const QString& gridKey);

    // The query page's filters: a value per name, nothing when none was kept.
    std::optional<QString> filter(const QString& name) const;
    void setFilter(const QString& name, const QString& value);

    // Writes everything to the settings file; false with the reason. Nothing is written
    // while the file does not exist yet: the first start's setup creates it.
    bool save(const QWidget& window, QString* error);

private:
    static QString titleOf(const QTableView& grid, int column);

    Settings& m_settings;
    QByteArray m_geometry;
    QHash<QString, QByteArray> m_windowPlaces;
    QHash<QString, QByteArray> m_splitterStates;
    QList<QPointer<QSplitter>> m_splitters;
    QHash<QString, QHash<QString, int>> m_columnWidths;  // grid, title -> width
    QHash<QString, QString> m_filters;
};

}  // namespace quarrow
