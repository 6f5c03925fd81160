#include "app/editor/title_list_model.h"

#include <QBrush>
#include <QColor>
#include <QPalette>
#include <QApplication>

#include "app/editor/title_cells.h"

namespace cuemark {

namespace {

QVariant ColourOf(RowColour colour) {
    switch (colour) {
    case RowColour::FirstMark: return QBrush(QColor(0, 0, 255));
    case RowColour::SecondMark: return QBrush(QColor(0, 127, 0));
    case RowColour::Changed: return QBrush(QColor(191, 0, 0));
    case RowColour::Normal: break;
    }
    return QVariant(); // the view's own text colour
}

} // namespace

TitleListModel::TitleListModel(const SUBTITLES& Subt, QObject* parent) : QAbstractTableModel(parent), subt_(Subt) {}

int TitleListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(colours_.size());
}

int TitleListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : TitleColumnCount;
}

QVariant TitleListModel::data(const QModelIndex& index, int role) const {
    const std::int32_t row = index.row() + 1;
    if (!index.isValid() || !valid(row)) return QVariant();
    const bool text = index.column() == TextColumn;
    if (role == Qt::ForegroundRole) return text ? ColourOf(colours_[row - 1]) : QVariant();
    if (role == Qt::EditRole && text) return TextCellDisplay(subt_.Text(row));
    if (role != Qt::DisplayRole) return QVariant();
    if (text) return TextCellDisplay(subt_.Text(row));
    return QString::fromStdString(CellText(subt_, row, static_cast<TitleColumn>(index.column())));
}

QVariant TitleListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return QVariant();
    if (orientation == Qt::Vertical) return section + 1;
    static const char* const headers[TitleColumnCount] = {"Text", "Start", "Duration"};
    return section >= 0 && section < TitleColumnCount ? QString::fromLatin1(headers[section]) : QVariant();
}

Qt::ItemFlags TitleListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() == TextColumn) f |= Qt::ItemIsEditable;
    return f;
}

bool TitleListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || index.column() != TextColumn || !valid(index.row() + 1)) return false;
    emit textEdited(index.row() + 1, value.toString());
    return true;
}

void TitleListModel::reload(bool keepColours) {
    beginResetModel();
    const std::size_t rows = static_cast<std::size_t>(std::max(subt_.Count(), 0));
    if (!keepColours || rows != colours_.size()) colours_.assign(rows, RowColour::Normal);
    endResetModel();
}

void TitleListModel::refreshRow(std::int32_t row) {
    if (!valid(row)) return;
    emit dataChanged(index(row - 1, TextColumn), index(row - 1, DurationColumn));
}

void TitleListModel::titleInserted(std::int32_t title) {
    if (title < 1 || title > static_cast<std::int32_t>(colours_.size()) + 1) return;
    beginInsertRows(QModelIndex(), title - 1, title - 1);
    colours_.insert(colours_.begin() + (title - 1), RowColour::Normal);
    endInsertRows();
}

void TitleListModel::titleRemoved(std::int32_t title) {
    if (!valid(title)) return;
    beginRemoveRows(QModelIndex(), title - 1, title - 1);
    colours_.erase(colours_.begin() + (title - 1));
    endRemoveRows();
}

void TitleListModel::titlesRemoved(const std::vector<std::int32_t>& titles) {
    // A few rows go one by one, so the view keeps its place; many at once
    // in one refill, as removing rows singly from a large selection is slow.
    constexpr std::size_t OneByOne = 64;
    if (titles.size() <= OneByOne) {
        std::int32_t gone = 0;
        for (std::int32_t title : titles) titleRemoved(title - gone++);
        return;
    }
    beginResetModel();
    std::vector<bool> removed(colours_.size() + 1, false);
    for (std::int32_t title : titles) {
        if (valid(title)) removed[static_cast<std::size_t>(title)] = true;
    }
    std::vector<RowColour> kept;
    kept.reserve(colours_.size());
    for (std::size_t k = 0; k < colours_.size(); ++k) {
        if (!removed[k + 1]) kept.push_back(colours_[k]);
    }
    colours_ = std::move(kept);
    endResetModel();
}

void TitleListModel::setColour(std::int32_t row, RowColour colour) {
    if (!valid(row)) return;
    colours_[row - 1] = colour;
    emit dataChanged(index(row - 1, TextColumn), index(row - 1, TextColumn), {Qt::ForegroundRole});
}

RowColour TitleListModel::colour(std::int32_t row) const {
    return valid(row) ? colours_[row - 1] : RowColour::Normal;
}

} // namespace cuemark
