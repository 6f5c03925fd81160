// bench_editor: the editor window on a full store (32,700 titles): opening
// it (the list refill included), Sooner with every row selected, a shift, a
// stretch, a find over every title, scrolling the list, and Delete with
// every row selected. Each figure includes the list's repaint.
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "app/editor/frm_list.h"
#include "app/dialogs/frm_shift.h"
#include "app/dialogs/frm_stretch.h"
#include "app/editor/title_search.h"
#include "bench/figures.h"
#include "bench/gui_session.h"
#include "bench/sample_titles.h"

using cuemark::bench::Clock;
using cuemark::bench::Figures;
using cuemark::bench::Ms;

namespace {

// The editor's list, as the user sees it.
QTableView* ListOf(cuemark::frmList& editor) {
    return editor.findChild<QTableView*>(QStringLiteral("LV"));
}

struct Session : cuemark::bench::MainWindowSession {
    Session() {
        cuemark::InstallEditor(window);
        window.show();
    }
    void fill() {
        window.Subt.SetUndoEnabled(false);
        window.Subt.Clear();
        cuemark::bench::AddSampleTitles(window.Subt);
        window.Subt.SetUndoEnabled(true);
    }
    cuemark::frmList& editor() { return *dynamic_cast<cuemark::frmList*>(window.editor()); }
};

// Runs `step` (after `prepare`, untimed) and then lets the list repaint.
double Timed(const std::function<void()>& step, cuemark::frmList& editor) {
    const auto before = Clock::now();
    step();
    ListOf(editor)->viewport()->repaint();
    QApplication::processEvents();
    return Ms(Clock::now() - before);
}

// Shifts by `seconds` through the dialog, `runs` times; `fromEnd` picks its
// End option.
Figures ShiftRuns(cuemark::frmList& e, int runs, const char* seconds, bool fromEnd) {
    Figures f;
    for (int run = 0; run < runs; ++run) {
        cuemark::frmShift dialog(e);
        if (fromEnd) dialog.findChild<QRadioButton*>("optEnd")->setChecked(true);
        dialog.findChild<QLineEdit*>("txtSec")->setText(seconds);
        f.values.push_back(Timed([&] { dialog.cmdOK_Click(); }, e));
    }
    return f;
}

void Report(const char* what, Figures& f, double target) {
    std::printf("%-44s median %7.1f ms, max %7.1f ms (%zu runs, target %.0f ms)\n", what, f.percentile(0.5),
                f.percentile(1.0), f.values.size(), target);
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir folder;
    cuemark::bench::UseBenchEnvironment(folder);
    QApplication app(argc, argv);
    Session s;
    s.fill();
    const int runs = 7;

    Figures open;
    for (int run = 0; run < runs; ++run) {
        const auto before = Clock::now();
        s.window.cmdEdit_Click();
        ListOf(s.editor())->viewport()->repaint();
        QApplication::processEvents();
        open.values.push_back(Ms(Clock::now() - before));
        s.editor().close();
        QApplication::processEvents();
    }
    Report("opening the editor (LoadList included):", open, 100);

    s.window.cmdEdit_Click();
    cuemark::frmList& e = s.editor();
    Figures sooner;
    for (int run = 0; run < runs; ++run) {
        ListOf(e)->selectAll();
        sooner.values.push_back(Timed([&] { e.RunCommand("Sooner"); }, e));
    }
    Report("Sooner on all 32,700 rows:", sooner, 200);

    ListOf(e)->clearSelection();
    Figures shift = ShiftRuns(e, runs, "1.500", true);
    Report("a shift of all 32,700 titles:", shift, 200);

    ListOf(e)->selectAll();
    Figures selectedShift = ShiftRuns(e, runs, "0.500", false);
    Report("a shift of 32,700 selected titles:", selectedShift, 200);
    ListOf(e)->clearSelection();

    Figures stretch;
    for (int run = 0; run < runs; ++run) {
        cuemark::frmStretch dialog(e);
        dialog.findChild<QTabBar*>("TS")->setCurrentIndex(2);
        dialog.TS_Click();
        stretch.values.push_back(Timed([&] { dialog.cmdOK_Click(); }, e));
    }
    Report("a stretch of all 32,700 titles:", stretch, 200);

    Figures find;
    const cuemark::SearchMode modes[] = {cuemark::SearchMode::AllWords, cuemark::SearchMode::AnyWord,
                                         cuemark::SearchMode::ExactPhrase};
    for (int run = 0; run < 3 * runs; ++run) {
        // No title holds it, so every title is read: the find window's whole search.
        const cuemark::TitleSearch search(QStringLiteral("zqxj vwkp"), modes[run % 3]);
        const auto before = Clock::now();
        const std::int32_t found = search.NextMatch(s.window.Subt, 0);
        find.values.push_back(Ms(Clock::now() - before));
        if (found <= s.window.Subt.Count()) std::printf("find: unexpected match\n");
    }
    Report("find over all 32,700 titles (three modes):", find, 20);

    Figures scroll;
    QScrollBar* bar = ListOf(e)->verticalScrollBar();
    for (int page = 0; page < 200; ++page) {
        scroll.values.push_back(Timed([&] { bar->setValue(bar->value() + bar->pageStep()); }, e));
    }
    Report("scrolling one page:", scroll, 16);

    Figures remove;
    ListOf(e)->selectAll();
    remove.values.push_back(Timed([&] { e.RunCommand("Delete"); }, e));
    std::printf("%-44s %7.1f ms (no target)\n", "Delete with all rows selected:", remove.values.front());
    (void)argv;
    return 0;
}
