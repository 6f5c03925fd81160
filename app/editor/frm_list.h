#pragma once
// The subtitle editor: every title as one row of a list, with a toolbar and
// menus for the commands, the first and second marks for stretch timing, and
// the dialogs that edit, shift, stretch, sync and find titles.

#include <QMainWindow>
#include <QPointer>
#include <cstdint>
#include <string>

#include "app/main_window/editor_link.h"
#include "app/editor/editor_window.h"
#include "app/editor/title_list_model.h"

class QAction;
class QMenu;
class QTableView;
class QToolBar;

namespace cuemark {

class frmCuemark;

class frmList : public QMainWindow, public EditorLink, public EditorWindow {
    Q_OBJECT
public:
    // Opens the editor over the main window's store (the window's load runs here).
    explicit frmList(frmCuemark& main);
    ~frmList() override;

    // EditorWindow
    SUBTITLES& store() override;
    WindowServices& services() override;
    KeyvaneSettings& settings() override;
    void markSubtitlesChanged() override;
    QWidget* editorWidget() override { return this; }
    std::string filmPath() const override;
    bool MultipleSelected() const override { return MultipleSelected_; }
    std::int32_t FirstIndex() const override { return FirstIndex_; }
    std::int32_t LastIndex() const override { return LastIndex_; }
    std::int32_t RowCount() const override;
    bool RowSelected(std::int32_t row) const override;
    std::int32_t CurrentRow() const override;
    std::string CellText(std::int32_t row, int column) const override;
    void RefreshRow(std::int32_t row) override;
    QFont ListFont() const override;
    void MarkChanged(std::int32_t& index) override;
    void LoadList() override;
    void GoToTitle(const std::int32_t& index) override;
    void UnselectCurrentRow() override;

    // EditorLink
    void SetUndoButtonEnabled(bool enabled) override;
    std::int32_t SelectedRow() const override;
    void SelectOnlyRow(std::int32_t row) override;
    void MakeRowVisible(std::int32_t row) override;
    void CloseEditor() override;
    void SubtitlesReplaced() override;
    void StretchToReferences(double firstTime, double secondTime) override;

    // Carries out the command with this key ("Undo", "Sooner"...); an
    // unknown key does nothing.
    void RunCommand(const std::string& key);

public slots:
    void mnuTimeFirst_Click();
    void mnuTimeSecond_Click();
    void mnuViewToolbar_Click();
    void ChooseListFont();
    void LV_ItemClick(std::int32_t row);
    void LV_DblClick();
    void OpenTitleEditor();
    void OpenShiftDialog();
    void OpenStretchDialog();
    void OpenSyncDialog();
    void Form_Resize();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildToolbar();
    void buildMenus();
    void Form_Load();
    void Form_Unload();
    void readSettings();
    void writeSettings();
    void selectionChanged();
    void paintMarks();
    enum class Mark { First, Second };
    // Marks the current row first or second for stretch timing; a row
    // cannot carry both marks.
    void markCurrentRow(Mark which);
    void OrderMarks();
    void setRowColour(std::int32_t row, RowColour colour);
    void LV_AfterLabelEdit(std::int32_t row, const QString& text);
    void selectRow(std::int32_t row, bool selected);
    void setPlayerPosition(double seconds);
    void applyListFont(const QFont& font);
    // The Text column takes the width the other two leave, never less than
    // its stored width, until the user sizes it.
    void fitTextColumn();
    void columnResized(int column, int width);
    QAction* toolbarButton(const char* key) const;

    // The commands.
    void Undo();
    // After an undo that re-inserted (or removed) `title`.
    void marksFollowUndo(std::int32_t title, bool inserted);
    void Sooner();
    void Later();
    // Moves every selected title; `move` reports whether it moved one.
    void NudgeSelected(bool (*move)(SUBTITLES&, std::int32_t));
    void Shorter();
    void Longer();
    // Changes the current title's end; `change` is MakeShorter or MakeLonger.
    void NudgeCurrentEnd(void (*change)(SUBTITLES&, std::int32_t));
    void InsertTitle();
    void DeleteTitles();
    void ShowFind();
    void RewriteAllTexts(std::string (*rewrite)(const std::string&));
    void CorrectSpelling();
    void MakeItalic();

    frmCuemark& main_;
    TitleListModel model_;
    QTableView* LV = nullptr;
    QToolBar* TB = nullptr;
    QAction* mnuViewToolbar = nullptr;
    QAction* mnuEditUndo = nullptr;
    QPointer<QWidget> find_;

    bool MultipleSelected_ = false;
    std::int32_t FirstIndex_ = 0;
    std::int32_t LastIndex_ = 0;
    bool loaded_ = false;
    int textColumnMinimum_ = 0; // pixels: the stored width, or the user's own
    bool textColumnSized_ = false;
    bool fittingTextColumn_ = false;
    bool unloaded_ = false;
};

// Opens the editor on the main window (its Edit button's factory).
EditorLink* OpenEditor(frmCuemark& main);
// Gives the main window its editor and the adjust button's stretch by the
// titles marked in it.
void InstallEditor(frmCuemark& main);

} // namespace cuemark
