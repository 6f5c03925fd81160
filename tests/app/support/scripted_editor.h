#pragma once
// An editor window stand-in that records what the main window asks of it.

#include <utility>
#include <vector>

#include "app/main_window/editor_link.h"
#include "app/main_window/frm_cuemark.h"

namespace cuemark::testing {

class ScriptedEditor : public EditorLink {
public:
    explicit ScriptedEditor(frmCuemark& main) : main_(main) {}
    ~ScriptedEditor() override {
        if (main_.editor() == this) main_.EditorClosed();
    }
    void LoadList() override { ++listLoads; }
    void SetUndoButtonEnabled(bool enabled) override { undoButton.push_back(enabled); }
    std::int32_t SelectedRow() const override { return selectedRow; }
    void SelectOnlyRow(std::int32_t row) override { selectedRow = row; }
    std::int32_t RowCount() const override { return main_.Subt.Count(); }
    void MakeRowVisible(std::int32_t row) override { visibleRows.push_back(row); }
    void RefreshRow(std::int32_t row) override { refreshedRows.push_back(row); }
    void CloseEditor() override {
        ++closes;
        main_.EditorClosed();
    }

    void SubtitlesReplaced() override { ++replacements; }
    void StretchToReferences(double firstTime, double secondTime) override {
        stretches.emplace_back(firstTime, secondTime);
    }

    int listLoads = 0;
    int replacements = 0;
    std::vector<std::pair<double, double>> stretches;
    std::vector<bool> undoButton;
    std::int32_t selectedRow = 0;
    std::vector<std::int32_t> visibleRows;
    std::vector<std::int32_t> refreshedRows;
    int closes = 0;

private:
    frmCuemark& main_;
};

} // namespace cuemark::testing
