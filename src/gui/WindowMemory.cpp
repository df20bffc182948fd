#include "gui/WindowMemory.h"

#include "app/Settings.h"
#include "gui/GridExport.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QPointer>
#include <QSplitter>
#include <QTableView>
#include <QWidget>

namespace quarrow {

namespace {

const QString kWindow = QStringLiteral("Window");
const QString kGeometry = QStringLiteral("Geometry");
const QString kWindows = QStringLiteral("Windows");
const QString kSplitters = QStringLiteral("Splitters");
const QString kColumns = QStringLiteral("Columns");
const QString kQueryFilter = QStringLiteral("QueryFilter");
const char* const kSizingProperty = "sizingColumns";

// "name=value;name=value": the names are object names, window kinds and column titles,
// which hold none of the separators; a value in base64 holds no ';' either.
QHash<QString, QString> readPairs(const QString& text, QChar between) {
    QHash<QString, QString> pairs;
    for (const QString& pair : text.split(between, Qt::SkipEmptyParts)) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        if (equals > 0)
            pairs.insert(pair.left(equals), pair.mid(equals + 1));
    }
    return pairs;
}

}  // namespace

WindowMemory::WindowMemory(Settings& settings) : m_settings(settings) {
    m_geometry = QByteArray::fromBase64(m_settings.readText(kWindow, kGeometry, QString()).toLatin1());
    const auto readStates = [this](const QString& key, QHash<QString, QByteArray>& states) {
        const QHash<QString, QString> pairs =
            readPairs(m_settings.readText(kWindow, key, QString()), QLatin1Char(';'));
        for (auto it = pairs.cbegin(); it != pairs.cend(); ++it)
            states.insert(it.key(), QByteArray::fromBase64(it.value().toLatin1()));
    };
    readStates(kWindows, m_windowPlaces);
    readStates(kSplitters, m_splitterStates);
    // "grid:title=width,title=width;grid:…"
    for (const QString& grid : m_settings.readText(kWindow, kColumns, QString()).split(QLatin1Char(';'))) {
        const qsizetype colon = grid.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            continue;
        const QHash<QString, QString> widths = readPairs(grid.mid(colon + 1), QLatin1Char(','));
        for (auto it = widths.cbegin(); it != widths.cend(); ++it) {
            bool ok = false;
            const int width = it.value().toInt(&ok);
            if (ok && width > 0)
                m_columnWidths[grid.left(colon)].insert(it.key(), width);
        }
    }
    for (const char* name : {"StockGiven", "FromTicked", "ToTicked", "DepartmentGiven", "Department",
                             "MainBuySale", "Threshold", "ThresholdKind", "SortOnAmount"}) {
        const QString key = QString::fromLatin1(name);
        if (const std::optional<QString> value = m_settings.file().read(kQueryFilter, key))
            m_filters.insert(key, *value);
    }
}

void WindowMemory::restoreGeometry(QWidget& window) const {
    if (!m_geometry.isEmpty())
        window.restoreGeometry(m_geometry);
}

bool WindowMemory::restoreWindowPlace(QWidget& window, const QString& key) const {
    const auto place = m_windowPlaces.constFind(key);
    return place != m_windowPlaces.constEnd() && window.restoreGeometry(*place);
}

void WindowMemory::rememberWindowPlace(const QWidget& window, const QString& key) {
    m_windowPlaces.insert(key, window.saveGeometry());
}

void WindowMemory::trackSplitter(QSplitter& splitter) {
    const auto state = m_splitterStates.constFind(splitter.objectName());
    if (state != m_splitterStates.constEnd())
        splitter.restoreState(*state);
    m_splitters.append(&splitter);
}

QString WindowMemory::titleOf(const QTableView& grid, int column) {
    const QAbstractItemModel* model = grid.model();
    if (!model)
        return {};
    // The title as the statement names it, when the model tells it apart from the one shown.
    const QVariant stored = model->headerData(column, Qt::Horizontal, GridExport::kExportRole);
    return (stored.isValid() ? stored : model->headerData(column, Qt::Horizontal)).toString();
}

void WindowMemory::sizeColumns(QTableView& grid, const QString& gridKey, std::span<const int> minimumWidths) {
    const QAbstractItemModel* model = grid.model();
    if (!model)
        return;
    grid.setProperty(kSizingProperty, true);
    const QHash<QString, int> chosen = m_columnWidths.value(gridKey);
    for (int column = 0; column < model->columnCount(); ++column) {
        const auto byHand = chosen.constFind(titleOf(grid, column));
        if (byHand != chosen.constEnd()) {
            grid.setColumnWidth(column, *byHand);
            continue;
        }
        grid.resizeColumnToContents(column);
        if (static_cast<size_t>(column) < minimumWidths.size())
            grid.setColumnWidth(
                column, std::max(grid.columnWidth(column), minimumWidths[static_cast<size_t>(column)]));
    }
    grid.setProperty(kSizingProperty, false);
}

void WindowMemory::trackColumns(QTableView& grid, const QString& gridKey) {
    QPointer<QTableView> watched(&grid);
    QObject::connect(grid.horizontalHeader(), &QHeaderView::sectionResized, &grid,
                     [this, watched, gridKey](int column, int, int width) {
                         if (!watched || watched->property(kSizingProperty).toBool() || width <= 0)
                             return;
                         const QString title = titleOf(*watched, column);
                         if (!title.isEmpty())
                             m_columnWidths[gridKey].insert(title, width);
                     });
}

std::optional<QString> WindowMemory::filter(const QString& name) const {
    const auto value = m_filters.constFind(name);
    if (value == m_filters.constEnd())
        return std::nullopt;
    return *value;
}

void WindowMemory::setFilter(const QString& name, const QString& value) {
    m_filters.insert(name, value);
}

bool WindowMemory::save(const QWidget& window, QString* error) {
    if (!m_settings.exists())
        return true;
    for (const QPointer<QSplitter>& splitter : std::as_const(m_splitters)) {
        if (splitter)
            m_splitterStates.insert(splitter->objectName(), splitter->saveState());
    }
    const auto statesText = [](const QHash<QString, QByteArray>& states) {
        QStringList pairs;
        for (auto it = states.cbegin(); it != states.cend(); ++it)
            pairs << it.key() + QLatin1Char('=') + QString::fromLatin1(it.value().toBase64());
        pairs.sort();
        return pairs.join(QLatin1Char(';'));
    };
    QStringList grids;
    for (auto grid = m_columnWidths.cbegin(); grid != m_columnWidths.cend(); ++grid) {
        QStringList widths;
        for (auto width = grid->cbegin(); width != grid->cend(); ++width)
            widths << width.key() + QLatin1Char('=') + QString::number(width.value());
        grids << grid.key() + QLatin1Char(':') + widths.join(QLatin1Char(','));
    }
    grids.sort();
    const QString geometry = QString::fromLatin1(window.saveGeometry().toBase64());
    const bool written = m_settings.update([&](IniDocument& document) {
        document.setValue(kWindow, kGeometry, geometry);
        document.setValue(kWindow, kWindows, statesText(m_windowPlaces));
        document.setValue(kWindow, kSplitters, statesText(m_splitterStates));
        document.setValue(kWindow, kColumns, grids.join(QLatin1Char(';')));
        for (auto it = m_filters.cbegin(); it != m_filters.cend(); ++it)
            document.setValue(kQueryFilter, it.key(), it.value());
    });
    if (!written && error)
        *error = m_settings.lastError();
    return written;
}

}  // namespace quarrow
