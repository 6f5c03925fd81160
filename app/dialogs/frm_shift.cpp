#include "app/dialogs/frm_shift.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <cmath>
#include <vector>

#include "app/editor/editor_window.h"
#include "app/main_window/frm_cuemark.h"
#include "app/desktop/twips.h"
#include "app/widgets/named.h"
#include "app/widgets/up_down.h"

namespace cuemark {

QHBoxLayout* BoxWithUpDown(QLineEdit* box, UpDown* upDown, QLabel* unit) {
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->addWidget(box);
    row->addWidget(upDown);
    if (unit) {
        row->addSpacing(4);
        row->addWidget(unit);
    }
    return row;
}

std::optional<int> RetimeChosenTitles(EditorWindow& editor, const LinearMap& map) {
    SUBTITLES& Subt = editor.main().Subt;
    const bool onlySelected = editor.MultipleSelected();
    const std::int32_t rows = std::min(editor.RowCount(), Subt.Count());
    std::vector<std::int32_t> chosen;
    for (std::int32_t i = 1; i <= rows; ++i) {
        if (onlySelected && !editor.RowSelected(i)) continue;
        if (!std::isfinite(map(Subt.StartTime(i))) || !std::isfinite(map(Subt.EndTime(i)))) return std::nullopt;
        chosen.push_back(i);
    }
    std::vector<bool> take(static_cast<std::size_t>(Subt.Count()) + 1, false);
    for (std::int32_t row : chosen) take[static_cast<std::size_t>(row)] = true;
    ApplyMap(Subt, map, [&take](int i) { return take[static_cast<std::size_t>(i)]; });
    for (std::int32_t row : chosen) editor.MarkChanged(row); // a copy: the editor may write to it
    return static_cast<int>(chosen.size());
}

void TellUser(EditorWindow& editor, const std::string& text) {
    editor.main().services().MessageBox(text, MessageButtons::OK, MessageIcon::None);
}

frmShift::frmShift(EditorWindow& editor, QWidget* parent)
    : QDialog(parent ? parent : editor.editorWidget()), editor_(editor), txtMin(new QLineEdit(this)),
      txtSec(new QLineEdit(this)), amount_(txtMin, txtSec, SecondsOverflow::CarryIntoMinutes),
      repeat_(this, [this](std::int16_t control, std::int16_t direction) { stepHeld(control, direction); }) {
    setObjectName("frmShift");
    setWindowTitle("Shift all subtitles");
    buildControls();
    Form_Load();
}

void frmShift::buildControls() {
    Label4 = Named(new QLabel("Move toward", this), "Label4");
    optBeginning = Named(new QRadioButton("beginning", this), "optBeginning");
    optEnd = Named(new QRadioButton("end, by", this), "optEnd");
    optBeginning->setChecked(true);
    txtMin->setObjectName("txtMin");
    txtMin->setText("0");
    txtSec->setObjectName("txtSec");
    txtSec->setText("0.000");
    for (QLineEdit* box : {txtMin, txtSec}) {
        box->setAlignment(Qt::AlignRight);
        box->setFixedWidth(box->fontMetrics().horizontalAdvance("00000.000") + 12);
    }
    UpDown1 = Named(new UpDown(this), "UpDown1");
    UpDown2 = Named(new UpDown(this), "UpDown2");
    Label2 = Named(new QLabel("min", this), "Label2");
    Label3 = Named(new QLabel("sec", this), "Label3");
    Label1 = Named(new QLabel("Start of first subtitle:", this), "Label1");
    txtCurrent = Named(new QLineEdit(this), "txtCurrent");
    txtCurrent->setReadOnly(true);
    txtCurrent->setFocusPolicy(Qt::NoFocus);
    cmdOK = Named(new QPushButton("OK", this), "cmdOK");
    cmdOK->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label4, 0, 0);
    grid->addWidget(optBeginning, 0, 1);
    grid->addWidget(optEnd, 1, 1);
    auto* amount = new QHBoxLayout;
    amount->addLayout(BoxWithUpDown(txtMin, UpDown1, Label2));
    amount->addSpacing(8);
    amount->addLayout(BoxWithUpDown(txtSec, UpDown2, Label3));
    amount->addStretch(1);
    grid->addLayout(amount, 1, 2);
    grid->addWidget(Label1, 2, 0, 1, 2);
    grid->addWidget(txtCurrent, 2, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    grid->addLayout(buttons, 3, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdOK, &QPushButton::clicked, this, &frmShift::cmdOK_Click);
    connect(optBeginning, &QRadioButton::clicked, this, &frmShift::optBeginning_Click);
    connect(txtMin, &QLineEdit::textChanged, this, &frmShift::txtMin_Change);
    connect(txtSec, &QLineEdit::textChanged, this, &frmShift::txtSec_Change);
    connect(repeat_.timer(), &QTimer::timeout, this, &frmShift::Timer1_Timer);
    connect(UpDown1, &UpDown::DownClick, this, &frmShift::UpDown1_DownClick);
    connect(UpDown1, &UpDown::UpClick, this, &frmShift::UpDown1_UpClick);
    connect(UpDown1, &UpDown::MouseDown, this, &frmShift::UpDown1_MouseDown);
    connect(UpDown1, &UpDown::MouseUp, this, &frmShift::UpDown1_MouseUp);
    connect(UpDown2, &UpDown::DownClick, this, &frmShift::UpDown2_DownClick);
    connect(UpDown2, &UpDown::UpClick, this, &frmShift::UpDown2_UpClick);
    connect(UpDown2, &UpDown::MouseDown, this, &frmShift::UpDown2_MouseDown);
    connect(UpDown2, &UpDown::MouseUp, this, &frmShift::UpDown2_MouseUp);
}

void frmShift::Form_Load() {
    move(DialogOrigin(editor_));
    txtCurrent->setText(QString::fromStdString(TimeBoxText(editor_.main().Subt.StartTime(1))));
    txtSec->setText(SecondsText(0));
}

void frmShift::cmdOK_Click() {
    SUBTITLES& Subt = editor_.main().Subt;
    if (Subt.Count() == 0) {
        reject();
        return;
    }
    const AmountReading reading = amount_.read();
    if (!reading.seconds) {
        TellUser(editor_, reading.refusal);
        return;
    }
    if (*reading.seconds == 0) {
        reject();
        return;
    }
    const double amount = optBeginning->isChecked() ? -*reading.seconds : *reading.seconds;
    if (!RetimeChosenTitles(editor_, LinearMap{1.0, amount})) {
        TellUser(editor_, refusals::NotFinite);
        return;
    }
    editor_.LoadList();
    Subt.ClearUndo();
    accept();
}

void frmShift::optBeginning_Click() {
    amount_.limitTo(editor_.main().Subt.StartTime(1));
}

void frmShift::txtMin_Change() {
    amount_.minutesChanged();
}

void frmShift::txtSec_Change() {
    amount_.secondsChanged();
}

void frmShift::Timer1_Timer() {
    repeat_.tick();
}

void frmShift::stepHeld(std::int16_t control, std::int16_t direction) {
    const bool down = direction < 0;
    if (control == 1) down ? UpDown1_DownClick() : UpDown1_UpClick();
    if (control == 2) down ? UpDown2_DownClick() : UpDown2_UpClick();
}

void frmShift::UpDown1_DownClick() {
    if (repeat_.takeClick()) amount_.stepMinutes(-1);
}

void frmShift::UpDown1_UpClick() {
    if (repeat_.takeClick()) amount_.stepMinutes(+1);
}

void frmShift::UpDown2_DownClick() {
    if (repeat_.takeClick()) amount_.stepSeconds(-1);
}

void frmShift::UpDown2_UpClick() {
    if (repeat_.takeClick()) amount_.stepSeconds(+1);
}

void frmShift::UpDown1_MouseDown(int, int, double, double y) {
    repeat_.press(1, y, PixelsToTwips(UpDown1->height(), UpDown1));
}

void frmShift::UpDown1_MouseUp(int, int, double, double) {
    repeat_.release();
}

void frmShift::UpDown2_MouseDown(int, int, double, double y) {
    repeat_.press(2, y, PixelsToTwips(UpDown2->height(), UpDown2));
}

void frmShift::UpDown2_MouseUp(int, int, double, double) {
    repeat_.release();
}

} // namespace cuemark
