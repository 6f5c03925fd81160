#include "app/dialogs/frm_stretch.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QVBoxLayout>
#include <cmath>

#include "app/editor/editor_window.h"
#include "app/desktop/keyvane_settings.h"
#include "app/desktop/twips.h"
#include "app/dialogs/retime_titles.h"
#include "app/widgets/named.h"
#include "app/widgets/time_box.h"
#include "app/widgets/up_down.h"
#include "subtitles/retiming.h"
#include "subtitles/store.h"
#include "subtitles/time_text.h"

namespace cuemark {

namespace {

const char* const Rates[] = {"23.976", "24", "25", "29.97", "30"};

QComboBox* rateBox(QWidget* parent, const char* name) {
    auto* box = Named(new QComboBox(parent), name);
    box->setEditable(true);
    // Enter applies the stretch; it must not grow the list.
    box->setInsertPolicy(QComboBox::NoInsert);
    for (const char* rate : Rates) box->addItem(rate);
    return box;
}

QWidget* panel(QWidget* parent, const char* name) {
    auto* widget = Named(new QWidget(parent), name);
    // All three share one place; the largest decides its size.
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
    return widget;
}

QGridLayout* panelGrid(QWidget* panel) {
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    return grid;
}

} // namespace

frmStretch::frmStretch(EditorWindow& editor, QWidget* parent)
    : AmountDialog(parent ? parent : editor.editorWidget(), SecondsOverflow::StopBelowSixty), editor_(editor) {
    setObjectName("frmStretch");
    setWindowTitle("Stretch/shrink movie duration");

    TS = Named(new QTabBar(this), "TS");
    const char* const tabs[][2] = {
        {"By title", "Reposition all titles based on the exact start time of two selected titles"},
        {"Specify Amount", "Adjust all titles based on a change in position of the last subtitle of the file"},
        {"By Frame Rate", "Adjust for a different frame rate"},
    };
    for (const auto& [caption, tip] : tabs) TS->setTabToolTip(TS->addTab(caption), tip);
    PB[0] = buildByTitle();
    PB[1] = buildByAmount();
    PB[2] = buildByFrameRate();
    cmdOK = Named(new QPushButton("OK", this), "cmdOK");
    cmdOK->setDefault(true);
    cmdCancel = Named(new QPushButton("Cancel", this), "cmdCancel");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TS);
    auto* panels = new QGridLayout;
    for (QWidget* p : PB) panels->addWidget(p, 0, 0);
    layout->addLayout(panels);
    layout->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons);

    connectControls();
    Form_Load();
}

QWidget* frmStretch::buildByTitle() {
    QWidget* p = panel(this, "PB0");
    Label6 = Named(new QLabel("First subtitle time:", p), "Label6");
    txtFirstSubtitle = Named(new QLineEdit(p), "txtFirstSubtitle");
    UDFirst = Named(new UpDown(p), "UDFirst");
    Label7 = Named(new QLabel("Last subtitle time:", p), "Label7");
    txtLastSubtitle = Named(new QLineEdit(p), "txtLastSubtitle");
    UDLast = Named(new UpDown(p), "UDLast");
    lblTitleInfo = Named(new QLabel("", p), "lblTitleInfo");
    for (QLineEdit* box : {txtFirstSubtitle, txtLastSubtitle})
        box->setFixedWidth(box->fontMetrics().horizontalAdvance("00:00:00,0000") + 12);
    QGridLayout* grid = panelGrid(p);
    grid->addWidget(Label6, 0, 0);
    grid->addLayout(BoxWithUpDown(txtFirstSubtitle, UDFirst), 0, 1);
    grid->addWidget(Label7, 1, 0);
    grid->addLayout(BoxWithUpDown(txtLastSubtitle, UDLast), 1, 1);
    grid->addWidget(lblTitleInfo, 2, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    return p;
}

QWidget* frmStretch::buildByAmount() {
    QWidget* p = panel(this, "PB1");
    Label1 = Named(new QLabel("Current length (start of last subtitle):", p), "Label1");
    txtCurrent = Named(new QLineEdit(p), "txtCurrent");
    txtCurrent->setReadOnly(true);
    txtCurrent->setFocusPolicy(Qt::NoFocus);
    optStretch = Named(new QRadioButton("Stretch", p), "optStretch");
    optShrink = Named(new QRadioButton("Shrink by", p), "optShrink");
    optStretch->setChecked(true);

    QGridLayout* grid = panelGrid(p);
    grid->addWidget(Label1, 0, 0, 1, 2);
    grid->addWidget(txtCurrent, 0, 2);
    auto* choice = new QVBoxLayout;
    choice->addWidget(optStretch);
    choice->addWidget(optShrink);
    grid->addLayout(choice, 1, 0);
    grid->addLayout(amountRow(), 1, 1, 1, 2);
    return p;
}

QWidget* frmStretch::buildByFrameRate() {
    QWidget* p = panel(this, "PB2");
    Label4 = Named(new QLabel("Current:", p), "Label4");
    cboCurrentRate = rateBox(p, "cboCurrentRate");
    Label5 = Named(new QLabel("Desired:", p), "Label5");
    cboDesiredRate = rateBox(p, "cboDesiredRate");
    lblRateInfo = Named(new QLabel("", p), "lblRateInfo");
    QGridLayout* grid = panelGrid(p);
    grid->addWidget(Label4, 0, 0);
    grid->addWidget(cboCurrentRate, 0, 1);
    grid->addWidget(Label5, 1, 0);
    grid->addWidget(cboDesiredRate, 1, 1);
    grid->addWidget(lblRateInfo, 2, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    return p;
}

void frmStretch::connectControls() {
    connect(cmdOK, &QPushButton::clicked, this, &frmStretch::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmStretch::cmdCancel_Click);
    connect(TS, &QTabBar::currentChanged, this, &frmStretch::TS_Click);
    const struct {
        UpDown* control;
        void (frmStretch::*down)();
        void (frmStretch::*up)();
        void (frmStretch::*mouseDown)(int, int, double, double);
        void (frmStretch::*mouseUp)(int, int, double, double);
    } upDowns[] = {
        {UDFirst, &frmStretch::UDFirst_DownClick, &frmStretch::UDFirst_UpClick, &frmStretch::UDFirst_MouseDown,
         &frmStretch::UDFirst_MouseUp},
        {UDLast, &frmStretch::UDLast_DownClick, &frmStretch::UDLast_UpClick, &frmStretch::UDLast_MouseDown,
         &frmStretch::UDLast_MouseUp},
    };
    for (const auto& u : upDowns) {
        connect(u.control, &UpDown::DownClick, this, u.down);
        connect(u.control, &UpDown::UpClick, this, u.up);
        connect(u.control, &UpDown::MouseDown, this, u.mouseDown);
        connect(u.control, &UpDown::MouseUp, this, u.mouseUp);
    }
}

namespace {

// The editor's marks name titles that exist; should one not, the stretch
// takes the first or last title rather than a start that reads as 0.
std::int32_t MarkedTitle(std::int32_t mark, std::int32_t fallback, const SUBTITLES& Subt) {
    return mark >= 1 && mark <= Subt.Count() ? mark : fallback;
}

} // namespace

std::int32_t frmStretch::firstMarked() const {
    return MarkedTitle(editor_.FirstIndex(), 1, editor_.store());
}

std::int32_t frmStretch::secondMarked() const {
    return MarkedTitle(editor_.LastIndex(), editor_.store().Count(), editor_.store());
}

void frmStretch::Form_Load() {
    lblTitleInfo->clear();
    lblRateInfo->clear();

    KeyvaneSettings& settings = editor_.settings();
    const QPoint origin = DialogOrigin(editor_);
    const auto left = settings.GetDword("StretchLeft", WholeTwips(origin.x(), this));
    const auto top = settings.GetDword("StretchTop", WholeTwips(origin.y(), this));
    move(TwipsToPixels(left, this), TwipsToPixels(top, this));
    const int frame = frameGeometry().height() - height();
    resize(sizeHint().width(), std::max(minimumSizeHint().height(), TwipsToPixels(HeightTwips, this) - frame));

    const SUBTITLES& Subt = editor_.store();
    txtFirstSubtitle->setText(QString::fromStdString(TimeBoxText(Subt.StartTime(firstMarked()))));
    txtLastSubtitle->setText(QString::fromStdString(TimeBoxText(Subt.StartTime(secondMarked()))));
    cboCurrentRate->setCurrentIndex(0);
    cboDesiredRate->setCurrentIndex(2);
    TS_Click();
    txtCurrent->setText(QString::fromStdString(TimeBoxText(Subt.StartTime(Subt.Count()))));
    txtSec->setText(SecondsText(0));
}

void frmStretch::done(int result) {
    if (!unloaded_) {
        unloaded_ = true;
        KeyvaneSettings& settings = editor_.settings();
        const QPoint at = frameGeometry().topLeft();
        settings.SetDword("StretchLeft", WholeTwips(at.x(), this));
        settings.SetDword("StretchTop", WholeTwips(at.y(), this));
    }
    QDialog::done(result);
}

void frmStretch::cmdOK_Click() {
    SUBTITLES& Subt = editor_.store();
    if (Subt.Count() == 0) {
        reject();
        return;
    }
    std::optional<LinearMap> map;
    switch (TS->currentIndex()) {
    case ByTitle: {
        const double a = Subt.StartTime(firstMarked());
        const double b = Subt.StartTime(secondMarked());
        if (a == b) return TellUser(editor_, refusals::SameStart);
        map = MapFromTwoTimes(a, TextToTime(txtFirstSubtitle->text().toStdString()), b,
                              TextToTime(txtLastSubtitle->text().toStdString()));
        if (!map) return TellUser(editor_, refusals::NotFinite);
        break;
    }
    case SpecifyAmount: {
        const double L = Subt.StartTime(Subt.Count());
        if (!(L > 0)) return TellUser(editor_, refusals::LastAtZero);
        const AmountReading reading = amount_.read();
        if (!reading.seconds) return TellUser(editor_, reading.refusal);
        map = MapFromAmount(L, *reading.seconds, optStretch->isChecked());
        if (!map) return TellUser(editor_, refusals::NotFinite);
        break;
    }
    default: {
        const std::optional<double> current = ExactFieldNumber(cboCurrentRate->currentText());
        const std::optional<double> desired = ExactFieldNumber(cboDesiredRate->currentText());
        if (current && desired) map = MapFromFrameRates(*current, *desired);
        if (!map) return TellUser(editor_, refusals::BadRates);
        break;
    }
    }
    const std::optional<int> changed = RetimeChosenTitles(editor_, *map, everyTitle_ ? Titles::All : Titles::Chosen);
    if (!changed) return TellUser(editor_, refusals::NotFinite);
    if (*changed > 0) editor_.markSubtitlesChanged();
    editor_.LoadList();
    Subt.ClearUndo();
    accept();
}

void frmStretch::cmdCancel_Click() {
    reject();
}

void frmStretch::TS_Click() {
    for (int i = 0; i < 3; ++i) PB[i]->setVisible(i == TS->currentIndex());
}

void frmStretch::stepHeld(std::int16_t control, std::int16_t direction) {
    const bool down = direction < 0;
    switch (control) {
    case 3: down ? UDFirst_DownClick() : UDFirst_UpClick(); break;
    case 4: down ? UDLast_DownClick() : UDLast_UpClick(); break;
    default: AmountDialog::stepHeld(control, direction); break;
    }
}

void frmStretch::stepTime(QLineEdit* box, int direction) {
    const double t = TextToTime(box->text().toStdString()) + direction;
    if (direction < 0 && !(t > 0)) return;
    // A time too large to write keeps the box as it is.
    const std::string text = TimeBoxText(t);
    if (!text.empty()) box->setText(QString::fromStdString(text));
}

void frmStretch::UDFirst_DownClick() {
    if (repeat_.takeClick()) stepTime(txtFirstSubtitle, -1);
}
void frmStretch::UDFirst_UpClick() {
    if (repeat_.takeClick()) stepTime(txtFirstSubtitle, +1);
}
void frmStretch::UDLast_DownClick() {
    if (repeat_.takeClick()) stepTime(txtLastSubtitle, -1);
}
void frmStretch::UDLast_UpClick() {
    if (repeat_.takeClick()) stepTime(txtLastSubtitle, +1);
}

void frmStretch::UDFirst_MouseDown(int, int, double, double y) {
    pressOn(3, UDFirst, y);
}
void frmStretch::UDLast_MouseDown(int, int, double, double y) {
    pressOn(4, UDLast, y);
}
void frmStretch::UDFirst_MouseUp(int, int, double, double) {
    repeat_.release();
}
void frmStretch::UDLast_MouseUp(int, int, double, double) {
    repeat_.release();
}

void AdjustByReferences(EditorWindow& editor, double firstTime, double secondTime) {
    auto* dialog = new frmStretch(editor);
    QObject::connect(dialog, &QDialog::finished, dialog, &QObject::deleteLater);
    dialog->txtFirstSubtitle->setText(QString::fromStdString(TimeBoxText(firstTime)));
    dialog->txtLastSubtitle->setText(QString::fromStdString(TimeBoxText(secondTime)));
    dialog->everyTitle_ = true;
    dialog->show();
    dialog->cmdOK_Click();
}

} // namespace cuemark
