// The editor's commands: one key each, run from the toolbar and the menus.
#include <QAction>
#include <QItemSelectionModel>
#include <QTableView>
#include <QToolBar>
#include <algorithm>
#include <vector>

#include "app/main_window/frm_cuemark.h"
#include "app/editor/frm_list.h"
#include "subtitles/text_corrections.h"
#include "subtitles/title_nudges.h"

namespace cuemark {

void frmList::RunCommand(const std::string& key) {
    if (key == "Undo")
        Undo();
    else if (key == "Edit")
        OpenTitleEditor();
    else if (key == "Find")
        ShowFind();
    else if (key == "Sooner")
        Sooner();
    else if (key == "Later")
        Later();
    else if (key == "Shorter")
        Shorter();
    else if (key == "Longer")
        Longer();
    else if (key == "Stretch") {
        OpenStretchDialog();
        main_.setSubtitlesChanged(true);
    } else if (key == "Shift") {
        OpenShiftDialog();
        main_.setSubtitlesChanged(true);
    } else if (key == "Spelling") {
        CorrectSpelling();
        main_.setSubtitlesChanged(true);
    } else if (key == "Italic") {
        MakeItalic();
        main_.setSubtitlesChanged(true);
    } else if (key == "Insert")
        InsertTitle();
    else if (key == "Delete")
        DeleteTitles();
    else if (key == "Bye")
        close();
}

void frmList::Undo() {
    // An undo that changed the number of rows has refilled the list already.
    const std::int32_t before = main_.Subt.Count();
    std::int32_t n = main_.Subt.Undo();
    if (main_.Subt.Count() != before) marksFollowUndo(n, main_.Subt.Count() > before);
    if (n > RowCount() || n <= 0) n = 1;
    if (n != FirstIndex_ && n != LastIndex_) setRowColour(n, RowColour::Normal);
    UnselectCurrentRow();
    selectRow(n, true);
    model_.refreshRow(n);
}

void frmList::marksFollowUndo(std::int32_t title, bool inserted) {
    // A mark names a title that exists: it moves with the titles after the
    // one that came or went, and goes back to its end when its own title went.
    const std::int32_t count = main_.Subt.Count();
    // The refill painted the marks where they were.
    setRowColour(FirstIndex_, RowColour::Normal);
    setRowColour(LastIndex_, RowColour::Normal);
    auto follow = [&](std::int32_t& mark, std::int32_t reset) {
        if (inserted && mark >= title)
            ++mark;
        else if (!inserted && mark == title)
            mark = reset;
        else if (!inserted && mark > title)
            --mark;
        if (mark < 1 || mark > count) mark = reset;
    };
    follow(FirstIndex_, 1);
    follow(LastIndex_, count);
    if (FirstIndex_ == LastIndex_ && count > 1) {
        FirstIndex_ = 1;
        LastIndex_ = count;
    }
    OrderMarks();
    paintMarks();
    toolbarButton("Delete")->setEnabled(RowCount() > 1);
}

void frmList::Sooner() {
    NudgeSelected([](SUBTITLES& s, std::int32_t i) { return MoveSooner(s, i); });
}

void frmList::Later() {
    NudgeSelected([](SUBTITLES& s, std::int32_t i) {
        MoveLater(s, i);
        return true;
    });
}

void frmList::NudgeSelected(bool (*move)(SUBTITLES&, std::int32_t)) {
    SUBTITLES& s = main_.Subt;
    std::int32_t moved = 0;
    for (std::int32_t i = 1; i <= RowCount(); ++i) {
        if (!RowSelected(i) || !move(s, i)) continue;
        model_.refreshRow(i);
        std::int32_t changed = i;
        MarkChanged(changed);
        moved = i;
    }
    if (moved == 0) return;
    setPlayerPosition(s.StartTime(moved));
    main_.setSubtitlesChanged(true);
}

void frmList::Shorter() {
    NudgeCurrentEnd(&MakeShorter);
}

void frmList::Longer() {
    NudgeCurrentEnd(&MakeLonger);
}

void frmList::NudgeCurrentEnd(void (*change)(SUBTITLES&, std::int32_t)) {
    std::int32_t i = CurrentRow();
    if (i == 0) return;
    change(main_.Subt, i);
    MarkChanged(i);
    model_.refreshRow(i);
    // Every step is a change that must not be lost at exit.
    main_.setSubtitlesChanged(true);
}

void frmList::InsertTitle() {
    std::int32_t i = CurrentRow();
    if (i == 0) return;
    setRowColour(FirstIndex_, RowColour::Normal);
    setRowColour(LastIndex_, RowColour::Normal);
    if (!InsertBefore(main_.Subt, i)) {
        paintMarks();
        return;
    }
    model_.titleInserted(i);
    MarkChanged(i);
    main_.setSubtitlesChanged(true);
    FirstIndex_ = 1;
    LastIndex_ = main_.Subt.Count();
    paintMarks();
    toolbarButton("Delete")->setEnabled(RowCount() > 1);
}

void frmList::DeleteTitles() {
    setRowColour(FirstIndex_, RowColour::Normal);
    setRowColour(LastIndex_, RowColour::Normal);
    std::vector<std::int32_t> chosen;
    for (const QModelIndex& index : LV->selectionModel()->selectedRows()) chosen.push_back(index.row() + 1);
    std::sort(chosen.begin(), chosen.end());
    // From the top down, always keeping one title.
    const std::int32_t gone = main_.Subt.DeleteAscending(chosen, 1);
    chosen.resize(static_cast<std::size_t>(gone));
    model_.titlesRemoved(chosen);
    toolbarButton("Delete")->setEnabled(RowCount() > 1);
    main_.setSubtitlesChanged(true);
    FirstIndex_ = 1;
    LastIndex_ = main_.Subt.Count();
    paintMarks();
}

void frmList::RewriteAllTexts(std::string (*rewrite)(const std::string&)) {
    SUBTITLES& s = main_.Subt;
    {
        UnrecordedWrites pass(s);
        for (std::int32_t i = 1; i <= s.Count(); ++i) {
            const std::string t = rewrite(s.Text(i));
            if (t.empty()) continue;
            s.SetText(i, t);
            model_.refreshRow(i);
            std::int32_t changed = i;
            MarkChanged(changed);
        }
    }
    // The pass cannot be undone, and older entries would not fit it.
    s.ClearUndo();
}

void frmList::CorrectSpelling() {
    RewriteAllTexts(&CorrectText);
}

void frmList::MakeItalic() {
    RewriteAllTexts(&SlashToItalic);
}

} // namespace cuemark
