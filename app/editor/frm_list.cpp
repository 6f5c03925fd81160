// The editor window's life: controls, opening, the list's own events, the
// marks, layout, font and settings. The commands are in editor_commands.cpp.
#include "app/editor/frm_list.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>
#include <QTableView>
#include <QToolBar>
#include <QWindow>
#include <cmath>
#include <optional>

#include "app/main_window/frm_cuemark.h"
#include "app/desktop/keyvane_settings.h"
#include "app/editor/title_cells.h"
#include "app/editor/toolbar_pictures.h"
#include "app/desktop/twips.h"
#include "subtitles/rounding.h"
#include "subtitles/text_corrections.h"

namespace cuemark {

namespace {

constexpr double MinimumOuterWidth = 3000;
constexpr double MinimumHeightBelowToolbar = 1000;
// Wide enough for the whole toolbar.
constexpr double DesignInnerWidth = 11700;
constexpr double DesignInnerHeight = 5400;
constexpr double DesignColumnWidth = 1440;

// Column widths and font sizes are whole numbers.
std::int32_t WholeNumber(double value) {
    return static_cast<std::int32_t>(RoundHalfEven(value));
}

struct ToolbarButton {
    const char* key;
    const char* caption;
    const char* toolTip;
};

constexpr ToolbarButton ToolbarButtons[] = {
    {"Undo", "Undo", "Undo the last change"},
    {"Find", "Find", ""},
    {"Italic", "/I/t/a/l/i/c", ""},
    {"Spelling", "SpeIIlng", ""},
    {"Edit", "Edit", "Edit subtitle text, start time and duration"},
    {"Insert", "Insert", "Insert a new title before the current one"},
    {"Delete", "Delete", "Delete the selected title(s)"},
    {"Sooner", "Sooner", "Display subtitle sooner"},
    {"Later", "Later", "Display subtitle later"},
    {"Shorter", "Shorter", "Make subtitle duration shorter"},
    {"Longer", "Longer", "Make subtitle duration longer"},
    {"Stretch", "Stretch", "Adjust (selected) subtitle times to movie length"},
    {"Shift", "Shift", "Move all (selected) subtitles in time by the same amount"},
    {"Bye", "Bye", "Close this window"},
};

bool IsNavigationKey(int key) {
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End: return true;
    default: return false;
    }
}

} // namespace

frmList::frmList(frmCuemark& main) : QMainWindow(&main, Qt::Window), main_(main), model_(main.Subt, this) {
    setObjectName("frmList");
    setWindowTitle("Subtitle Editor");
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    Form_Load();
}

frmList::~frmList() {
    // A window destroyed without closing still lets the main window know.
    if (!unloaded_) Form_Unload();
}

void frmList::buildControls() {
    LV = new QTableView(this);
    LV->setObjectName("LV");
    LV->setModel(&model_);
    LV->setSelectionBehavior(QAbstractItemView::SelectRows);
    LV->setSelectionMode(QAbstractItemView::ExtendedSelection);
    LV->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LV->setWordWrap(false);
    LV->setShowGrid(false);
    LV->setAlternatingRowColors(true);
    LV->verticalHeader()->setVisible(false);
    // Every row one line high, so 32,700 rows need no measuring.
    LV->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    LV->horizontalHeader()->setHighlightSections(false);
    LV->horizontalHeader()->setStretchLastSection(false);
    LV->installEventFilter(this);
    LV->viewport()->installEventFilter(this);
    setCentralWidget(LV);
    connect(LV->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int width) { columnResized(column, width); });
    connect(LV, &QTableView::clicked, this, [this](const QModelIndex& index) { LV_ItemClick(index.row() + 1); });
    connect(LV, &QTableView::doubleClicked, this, [this] { LV_DblClick(); });
    connect(LV->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { selectionChanged(); });
    connect(&model_, &TitleListModel::textEdited, this,
            [this](std::int32_t row, const QString& text) { LV_AfterLabelEdit(row, text); });
    buildToolbar();
    buildMenus();
}

void frmList::buildToolbar() {
    TB = new QToolBar(this);
    TB->setObjectName("TB");
    TB->setMovable(false);
    TB->setFloatable(false);
    TB->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    TB->setIconSize(QSize(ToolbarPictureSize, ToolbarPictureSize));
    TB->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    for (const ToolbarButton& button : ToolbarButtons) {
        QAction* action = TB->addAction(ToolbarPicture(button.key), QString::fromLatin1(button.caption));
        action->setObjectName(QString::fromLatin1(button.key));
        action->setToolTip(QString::fromLatin1(button.toolTip));
        if (QWidget* widget = TB->widgetForAction(action)) {
            widget->setObjectName(QString::fromLatin1(button.key));
            // A button without a tool tip shows none (Qt would repeat the caption).
            widget->setToolTip(QString::fromLatin1(button.toolTip));
        }
        const std::string key = button.key;
        connect(action, &QAction::triggered, this, [this, key] { RunCommand(key); });
    }
    addToolBar(Qt::TopToolBarArea, TB);
}

void frmList::buildMenus() {
    auto entry = [this](QMenu* menu, const char* name, const char* caption, const QKeySequence& shortcut,
                        auto handler) {
        QAction* action = menu->addAction(QString::fromLatin1(caption));
        action->setObjectName(QString::fromLatin1(name));
        if (!shortcut.isEmpty()) action->setShortcut(shortcut);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    auto command = [this](const char* key) { return [this, key] { RunCommand(key); }; };

    QMenu* mnuView = menuBar()->addMenu("&View");
    mnuView->setObjectName("mnuView");
    entry(mnuView, "mnuViewFont", "&Font...", QKeySequence(Qt::Key_F4), [this] { ChooseListFont(); });
    // A checkable entry inverts its own check before it reports the click.
    mnuViewToolbar = entry(mnuView, "mnuViewToolbar", "&Toolbar", QKeySequence(), [this] {
        TB->setVisible(mnuViewToolbar->isChecked());
        Form_Resize();
    });
    mnuViewToolbar->setCheckable(true);
    mnuViewToolbar->setChecked(true);

    QMenu* mnuEdit = menuBar()->addMenu("&Edit");
    mnuEdit->setObjectName("mnuEdit");
    mnuEditUndo = entry(mnuEdit, "mnuEditUndo", "&Undo", QKeySequence(Qt::CTRL | Qt::Key_Z), command("Undo"));
    mnuEdit->addSeparator();
    entry(mnuEdit, "mnuEditEdit", "&Open Title...", QKeySequence(), [this] { OpenTitleEditor(); });
    // Ctrl+F9 and Ctrl+F8 change titles as their buttons do, flag included.
    entry(mnuEdit, "mnuEditSpell", "&Spelling correction", QKeySequence(Qt::CTRL | Qt::Key_F9), command("Spelling"));
    entry(mnuEdit, "mnuEditFind", "&Find", QKeySequence(Qt::Key_F3), command("Find"));
    mnuEdit->addSeparator();
    entry(mnuEdit, "mnuEditInsert", "&Insert", QKeySequence(Qt::CTRL | Qt::Key_Insert), command("Insert"));
    entry(mnuEdit, "mnuEditDelete", "&Delete", QKeySequence(Qt::Key_Delete), command("Delete"));

    QMenu* mnuTiming = menuBar()->addMenu("&Timing");
    mnuTiming->setObjectName("mnuTiming");
    entry(mnuTiming, "mnuTimeSooner", "Show &Earlier", QKeySequence(Qt::Key_F5), command("Sooner"));
    entry(mnuTiming, "mnuTimeLater", "Show &Later", QKeySequence(Qt::Key_F6), command("Later"));
    entry(mnuTiming, "mnuTimeShorter", "Show &Shorter", QKeySequence(Qt::Key_F7), command("Shorter"));
    entry(mnuTiming, "mnuTimeLonger", "Show &Longer", QKeySequence(Qt::Key_F8), command("Longer"));
    mnuTiming->addSeparator();
    entry(mnuTiming, "mnuTimeFirst", "Mark as &first for stretch timing", QKeySequence(Qt::CTRL | Qt::Key_F5),
          [this] { mnuTimeFirst_Click(); });
    entry(mnuTiming, "mnuTimeSecond", "Mark as s&econd for stretch timing", QKeySequence(Qt::CTRL | Qt::Key_F6),
          [this] { mnuTimeSecond_Click(); });
    mnuTiming->addSeparator();
    entry(mnuTiming, "mnuTimeStretch", "S&tretch...", QKeySequence(Qt::CTRL | Qt::Key_F7),
          [this] { OpenStretchDialog(); });
    entry(mnuTiming, "mnuTimeShift", "S&hift...", QKeySequence(Qt::CTRL | Qt::Key_F8), command("Shift"));
    entry(mnuTiming, "mnuTimeSync", "Sync to &audio...", QKeySequence(), [this] { OpenSyncDialog(); });
}

void frmList::Form_Load() {
    // The design place: beside the main window when the screen has room.
    resize(TwipsToPixels(DesignInnerWidth, this), TwipsToPixels(DesignInnerHeight, this));
    const QRect mainFrame = main_.frameGeometry();
    QPoint place(mainFrame.right() + 1, mainFrame.top());
    if (const QScreen* screen = main_.screen()) {
        if (!screen->availableGeometry().contains(QRect(place, size()))) {
            place = mainFrame.topLeft() + QPoint(TwipsToPixels(600, this), TwipsToPixels(600, this));
        }
    }
    move(place);
    LV->horizontalHeader()->resizeSection(TextColumn, TwipsToPixels(DesignColumnWidth, this));
    LV->horizontalHeader()->resizeSection(StartColumn, TwipsToPixels(DesignColumnWidth, this));
    LV->horizontalHeader()->resizeSection(DurationColumn, TwipsToPixels(DesignColumnWidth, this));

    readSettings();
    SetUndoButtonEnabled(main_.Subt.UndoCount() > 0);
    loaded_ = true;
    Form_Resize();
    fitTextColumn();
    LoadList();
    FirstIndex_ = 1;
    LastIndex_ = main_.Subt.Count();
    paintMarks();
    toolbarButton("Delete")->setEnabled(RowCount() > 1);
    selectionChanged();
    main_.FirstRefTime = main_.Subt.StartTime(1);
    main_.SecondRefTime = main_.Subt.StartTime(RowCount());
    main_.ShowReferenceTimes();
}

void frmList::readSettings() {
    KeyvaneSettings& settings = main_.settings();
    move(TwipsToPixels(settings.GetDword("ListLeft", WholeTwips(x(), this)), this), y());
    move(x(), TwipsToPixels(settings.GetDword("ListTop", WholeTwips(y(), this)), this));
    resize(TwipsToPixels(settings.GetDword("ListWidth", WholeTwips(width(), this)), this), height());
    resize(width(), TwipsToPixels(settings.GetDword("ListHeight", WholeTwips(height(), this)), this));

    const bool toolbar = settings.GetDword("Toolbar", 1) != 0;
    mnuViewToolbar->setChecked(toolbar);
    TB->setVisible(toolbar);

    QHeaderView* header = LV->horizontalHeader();
    const double S = PixelsToTwips(header->sectionSize(StartColumn), this) +
                     PixelsToTwips(header->sectionSize(TextColumn), this) +
                     PixelsToTwips(header->sectionSize(DurationColumn), this);
    const std::int32_t col1 = settings.GetDword("ListCol1", WholeNumber(S / 2));
    const std::int32_t col2 = settings.GetDword("ListCol2", WholeNumber(S / 4));
    const std::int32_t col3 = settings.GetDword("ListCol3", WholeNumber(S / 4));
    header->resizeSection(TextColumn, TwipsToPixels(col1, this));
    header->resizeSection(StartColumn, TwipsToPixels(col2, this));
    header->resizeSection(DurationColumn, TwipsToPixels(col3, this));
    textColumnMinimum_ = TwipsToPixels(col1, this);

    QFont font = LV->font();
    font.setFamily(QString::fromStdString(settings.GetString("ListFont", font.family().toStdString())));
    font.setBold(settings.GetDword("ListFontBold", font.bold() ? -1 : 0) != 0);
    font.setItalic(settings.GetDword("ListFontItalic", font.italic() ? -1 : 0) != 0);
    const std::int32_t size = settings.GetDword("ListFontSize", WholeNumber(font.pointSizeF()));
    // A size no font can have keeps the list readable.
    if (size >= 1 && size <= 400) font.setPointSize(size);
    applyListFont(font);
}

void frmList::writeSettings() {
    KeyvaneSettings& settings = main_.settings();
    settings.SetDword("ListLeft", WholeTwips(x(), this));
    settings.SetDword("ListTop", WholeTwips(y(), this));
    settings.SetDword("ListWidth", WholeTwips(width(), this));
    settings.SetDword("ListHeight", WholeTwips(height(), this));
    QHeaderView* header = LV->horizontalHeader();
    // The width the column fills is the window's; the one kept is its own.
    settings.SetDword("ListCol1", WholeTwips(textColumnMinimum_, this));
    settings.SetDword("ListCol2", WholeTwips(header->sectionSize(StartColumn), this));
    settings.SetDword("ListCol3", WholeTwips(header->sectionSize(DurationColumn), this));
    settings.SetDword("Toolbar", mnuViewToolbar->isChecked() ? 1 : 0);
    const QFont font = LV->font();
    settings.SetString("ListFont", font.family().toStdString());
    settings.SetDword("ListFontSize", WholeNumber(font.pointSizeF()));
    settings.SetDword("ListFontBold", font.bold() ? 1 : 0);
    settings.SetDword("ListFontItalic", font.italic() ? 1 : 0);
}

void frmList::closeEvent(QCloseEvent* event) {
    // The normal place and size are what is kept.
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) {
        setWindowState(Qt::WindowNoState);
        QApplication::processEvents();
    }
    Form_Unload();
    event->accept();
}

void frmList::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    if (find_) find_->close();
    writeSettings();
    main_.EditorClosed();
}

void frmList::CloseEditor() {
    close();
}

// ---- the list ------------------------------------------------------------

std::int32_t frmList::RowCount() const {
    return model_.rowCount();
}

bool frmList::RowSelected(std::int32_t row) const {
    return row >= 1 && row <= RowCount() && LV->selectionModel()->isRowSelected(row - 1, QModelIndex());
}

std::int32_t frmList::CurrentRow() const {
    const QModelIndexList rows = LV->selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.constFirst().row() + 1 : 0;
}

std::int32_t frmList::SelectedRow() const {
    if (const std::int32_t row = CurrentRow()) return row;
    const QModelIndexList rows = LV->selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : rows.constFirst().row() + 1;
}

std::string frmList::CellText(std::int32_t row, int column) const {
    if (row < 1 || row > RowCount()) return std::string();
    return cuemark::CellText(main_.Subt, row, static_cast<TitleColumn>(column));
}

void frmList::RefreshRow(std::int32_t row) {
    model_.refreshRow(row);
}

QFont frmList::ListFont() const {
    return LV->font();
}

void frmList::selectRow(std::int32_t row, bool selected) {
    if (row < 1 || row > RowCount()) return;
    const QModelIndex index = model_.index(row - 1, TextColumn);
    LV->selectionModel()->select(
        index, (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) | QItemSelectionModel::Rows);
    if (selected) LV->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

void frmList::SelectOnlyRow(std::int32_t row) {
    if (row < 1 || row > RowCount()) return;
    const QModelIndex index = model_.index(row - 1, TextColumn);
    LV->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void frmList::UnselectCurrentRow() {
    selectRow(CurrentRow(), false);
}

void frmList::MakeRowVisible(std::int32_t row) {
    if (row < 1 || row > RowCount()) return;
    LV->scrollTo(model_.index(row - 1, TextColumn));
}

void frmList::setPlayerPosition(double seconds) {
    if (main_.AVIFileOK) main_.MP().setCurrentPosition(seconds);
}

void frmList::LoadList() {
    // After a shift or stretch the rows are the same titles: their changed
    // colours stay, and the marks are always shown.
    model_.reload(true);
    paintMarks();
    if (const std::int32_t row = CurrentRow()) setPlayerPosition(main_.Subt.StartTime(row));
    selectionChanged();
}

void frmList::SubtitlesReplaced() {
    model_.reload();
    selectionChanged();
    FirstIndex_ = 1;
    LastIndex_ = main_.Subt.Count();
    paintMarks();
    toolbarButton("Delete")->setEnabled(RowCount() > 1);
}

void frmList::GoToTitle(const std::int32_t& index) {
    if (index < 1 || index > RowCount()) return;
    // The found title alone: a Delete that follows must not take rows
    // selected before the search with it.
    SelectOnlyRow(index);
    LV->scrollTo(model_.index(index - 1, TextColumn));
    setPlayerPosition(main_.Subt.StartTime(index));
}

void frmList::selectionChanged() {
    // Several rows selected leave no current row: the shift and stretch then
    // act on the selection, and the one-title commands have nothing to act on.
    const qsizetype selected = LV->selectionModel()->selectedRows().size();
    MultipleSelected_ = selected > 1;
    if (selected == 1) main_.EditorRowChanged(CurrentRow());
    const bool one = selected == 1;
    for (const char* key : {"Shorter", "Longer", "Edit", "Insert"}) toolbarButton(key)->setEnabled(one);
}

void frmList::LV_ItemClick(std::int32_t row) {
    selectionChanged();
    if (row >= 1 && row <= RowCount()) setPlayerPosition(main_.Subt.StartTime(row));
}

void frmList::LV_DblClick() {
    if (CurrentRow() > 0) OpenTitleEditor();
}

void frmList::LV_AfterLabelEdit(std::int32_t row, const QString& text) {
    // The edited row itself: a click elsewhere may already have moved the selection.
    main_.Subt.SetText(row, RepairLineBreaks(TextFromCellEditor(text)));
    std::int32_t changed = row;
    MarkChanged(changed);
    model_.refreshRow(row);
    main_.setSubtitlesChanged(true);
}

bool frmList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == LV->viewport() && event->type() == QEvent::Resize) fitTextColumn();
    if (watched == LV && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            OpenTitleEditor();
            return true;
        }
    }
    if (watched == LV && event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F2 && CurrentRow() > 0) {
            LV->edit(model_.index(CurrentRow() - 1, TextColumn));
            return true;
        }
        if (IsNavigationKey(key->key()) && !key->isAutoRepeat() && LV->currentIndex().isValid()) {
            LV_ItemClick(LV->currentIndex().row() + 1);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- colours and marks ---------------------------------------------------

void frmList::setRowColour(std::int32_t row, RowColour colour) {
    model_.setColour(row, colour);
}

void frmList::paintMarks() {
    setRowColour(FirstIndex_, RowColour::FirstMark);
    setRowColour(LastIndex_, RowColour::SecondMark);
}

void frmList::MarkChanged(std::int32_t& index) {
    if (index < 0) index = CurrentRow();
    if (index != LastIndex_ && index != FirstIndex_) setRowColour(index, RowColour::Changed);
}

void frmList::mnuTimeFirst_Click() {
    markCurrentRow(Mark::First);
}

void frmList::mnuTimeSecond_Click() {
    markCurrentRow(Mark::Second);
}

void frmList::markCurrentRow(Mark which) {
    const bool first = which == Mark::First;
    std::int32_t& mark = first ? FirstIndex_ : LastIndex_;
    const std::int32_t r = CurrentRow();
    if (r == 0) return;
    if (r == (first ? LastIndex_ : FirstIndex_)) {
        main_.services().MessageBox("The same title can not be marked as first and second, not set", MessageButtons::OK,
                                    MessageIcon::Exclamation);
        return;
    }
    setRowColour(mark, RowColour::Normal);
    mark = r;
    setRowColour(r, first ? RowColour::FirstMark : RowColour::SecondMark);
    OrderMarks();
}

void frmList::OrderMarks() {
    // The colours stay where they are: the blue row can be the later one.
    if (LastIndex_ < FirstIndex_) std::swap(FirstIndex_, LastIndex_);
}

// ---- toolbar, layout and font -------------------------------------------

QAction* frmList::toolbarButton(const char* key) const {
    return TB->findChild<QAction*>(QString::fromLatin1(key), Qt::FindDirectChildrenOnly);
}

void frmList::SetUndoButtonEnabled(bool enabled) {
    toolbarButton("Undo")->setEnabled(enabled);
    mnuEditUndo->setEnabled(enabled);
}

void frmList::mnuViewToolbar_Click() {
    mnuViewToolbar->trigger();
}

void frmList::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (loaded_) Form_Resize();
}

void frmList::Form_Resize() {
    if (isMinimized()) return;
    const QRect outer = frameGeometry();
    const int frameWidth = outer.width() - width();
    const int frameHeight = outer.height() - height();
    if (PixelsToTwips(outer.width(), this) < MinimumOuterWidth - 0.5) {
        resize(TwipsToPixels(MinimumOuterWidth, this) - frameWidth, height());
        return;
    }
    // The toolbar's height counts even while it is hidden.
    const double lowest = PixelsToTwips(TB->sizeHint().height(), this) + MinimumHeightBelowToolbar;
    if (PixelsToTwips(outer.height(), this) < lowest - 0.5) {
        resize(width(), TwipsToPixels(lowest, this) - frameHeight);
        return;
    }
    // The list fills the rest; the window's own layout puts it below the toolbar.
}

void frmList::fitTextColumn() {
    if (!loaded_ || textColumnSized_) return;
    QHeaderView* header = LV->horizontalHeader();
    const int left = LV->viewport()->width() - header->sectionSize(StartColumn) - header->sectionSize(DurationColumn);
    fittingTextColumn_ = true;
    header->resizeSection(TextColumn, std::max(textColumnMinimum_, left));
    fittingTextColumn_ = false;
}

void frmList::columnResized(int column, int width) {
    if (fittingTextColumn_) return;
    if (column == TextColumn) {
        // Sized by hand (or by the stored width): that width is kept.
        textColumnMinimum_ = width;
        if (loaded_) textColumnSized_ = true;
    } else {
        fitTextColumn();
    }
}

void frmList::ChooseListFont() {
    const std::optional<QFont> chosen = main_.services().ChooseFont(LV->font());
    if (!chosen) return;
    QFont font = *chosen;
    font.setPointSize(std::max(1, WholeNumber(font.pointSizeF())));
    applyListFont(font);
}

void frmList::applyListFont(const QFont& font) {
    LV->setFont(font);
    LV->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + TwipsToPixels(60, this));
    // A start or duration cut short is misread; those two columns are never
    // narrower than their text.
    const int padding = TwipsToPixels(240, this);
    QHeaderView* header = LV->horizontalHeader();
    const int start = QFontMetrics(font).horizontalAdvance(QStringLiteral("00:00:00,000")) + padding;
    const int duration = std::max(QFontMetrics(font).horizontalAdvance(QStringLiteral("00.000")),
                                  header->fontMetrics().horizontalAdvance(QStringLiteral("Duration"))) +
                         padding;
    header->resizeSection(StartColumn, std::max(header->sectionSize(StartColumn), start));
    header->resizeSection(DurationColumn, std::max(header->sectionSize(DurationColumn), duration));
}

} // namespace cuemark
