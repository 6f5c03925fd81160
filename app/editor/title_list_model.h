#pragma once
// The editor list's rows over the store: row i shows title i, read from the
// store when drawn, so nothing per row is kept but its colour. The number of
// rows is the store's count at the last refill, changed only by the editor.

#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

#include "app/editor/title_cells.h"
#include "subtitles/store.h"

namespace cuemark {

enum class RowColour : std::uint8_t { Normal, FirstMark, SecondMark, Changed };

class TitleListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TitleListModel(const SUBTITLES& Subt, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // An in-place edit is handed to the editor window, which stores it.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // Every row again; in the normal colour unless the number of rows stayed
    // and `keepColours` asks to keep them.
    void reload(bool keepColours = false);
    // Rows are 1-based title numbers; numbers outside the list are ignored.
    // The title helpers are told what the store did, and are named apart
    // from Qt's 0-based insertRow/removeRow so neither hides the other.
    void refreshRow(std::int32_t row);
    void titleInserted(std::int32_t title);
    void titleRemoved(std::int32_t title);
    // Titles by their numbers before any of them went (ascending); the others
    // keep their colours.
    void titlesRemoved(const std::vector<std::int32_t>& titles);
    void setColour(std::int32_t row, RowColour colour);
    RowColour colour(std::int32_t row) const;

signals:
    void textEdited(std::int32_t row, const QString& text);

private:
    bool valid(std::int32_t row) const { return row >= 1 && row <= static_cast<std::int32_t>(colours_.size()); }

    const SUBTITLES& subt_;
    std::vector<RowColour> colours_;
};

} // namespace cuemark
