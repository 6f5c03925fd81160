#include "app/dialogs/frm_shift.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "app/editor/editor_window.h"
#include "app/widgets/named.h"
#include "app/widgets/time_box.h"
#include "subtitles/store.h"

namespace cuemark {

frmShift::frmShift(EditorWindow& editor, QWidget* parent)
    : AmountDialog(parent ? parent : editor.editorWidget(), SecondsOverflow::CarryIntoMinutes), editor_(editor) {
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
    grid->addLayout(amountRow(), 1, 2);
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
}

void frmShift::Form_Load() {
    move(DialogOrigin(editor_));
    txtCurrent->setText(QString::fromStdString(TimeBoxText(editor_.store().StartTime(1))));
    txtSec->setText(SecondsText(0));
}

void frmShift::cmdOK_Click() {
    SUBTITLES& Subt = editor_.store();
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
    double amount = *reading.seconds;
    if (optBeginning->isChecked()) {
        // Typed or stepped, the amount toward the beginning stops the
        // earliest moving title at 0: a start below 0 cannot be saved.
        amount = -std::min(amount, std::max(LowestChosenStart(editor_), 0.0));
        if (amount == 0) {
            reject();
            return;
        }
    }
    if (!RetimeChosenTitles(editor_, LinearMap{1.0, amount})) {
        TellUser(editor_, refusals::NotFinite);
        return;
    }
    editor_.LoadList();
    Subt.ClearUndo();
    accept();
}

void frmShift::optBeginning_Click() {
    amount_.limitTo(editor_.store().StartTime(1));
}

} // namespace cuemark
