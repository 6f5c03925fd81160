#pragma once
// An editor window stand-in for the dialog tests: a plain window over the
// main window's store, with a selection and marks the test sets, recording
// every call the dialogs make.

#include <QFont>
#include <QWidget>
#include <set>
#include <vector>

#include "app/editor/editor_window.h"
#include "app/main_window/frm_cuemark.h"

namespace cuemark::testing {

class FakeEditorWindow : public EditorWindow {
public:
    explicit FakeEditorWindow(frmCuemark& main);

    SUBTITLES& store() override { return main_.Subt; }
    WindowServices& services() override { return main_.services(); }
    KeyvaneSettings& settings() override { return main_.settings(); }
    void markSubtitlesChanged() override { main_.setSubtitlesChanged(true); }
    QWidget* editorWidget() override { return &window; }
    std::string filmPath() const override { return main_.filmPath(); }
    bool MultipleSelected() const override { return multipleSelected; }
    std::int32_t FirstIndex() const override { return firstIndex; }
    std::int32_t LastIndex() const override { return lastIndex; }
    std::int32_t RowCount() const override;
    bool RowSelected(std::int32_t row) const override { return selected.count(row) > 0; }
    std::int32_t CurrentRow() const override;
    std::string CellText(std::int32_t row, int column) const override;
    void RefreshRow(std::int32_t row) override { refreshedRows.push_back(row); }
    QFont ListFont() const override { return font; }
    void MarkChanged(std::int32_t& index) override;
    void LoadList() override { ++listLoads; }
    void GoToTitle(const std::int32_t& index) override;
    void UnselectCurrentRow() override;

    // Selects exactly these rows; MultipleSelected follows (more than one).
    void select(std::initializer_list<std::int32_t> rows);

    QWidget window; // placed by the test; dialogs open relative to it
    bool multipleSelected = false;
    std::int32_t firstIndex = 1;
    std::int32_t lastIndex = 1;
    std::set<std::int32_t> selected;
    QFont font;

    std::vector<std::int32_t> markedChanged;
    std::vector<std::int32_t> refreshedRows;
    std::vector<std::int32_t> wentTo;
    int listLoads = 0;
    int unselects = 0;

private:
    frmCuemark& main_;
};

} // namespace cuemark::testing
