#include "app/editor/frm_find.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/editor/editor_window.h"
#include "app/desktop/window_services.h"
#include "app/editor/title_search.h"
#include "app/widgets/named.h"
#include "subtitles/store.h"

namespace cuemark {

frmFind::frmFind(EditorWindow& editor, QWidget* parent)
    : QDialog(parent != nullptr ? parent : editor.editorWidget()), editor_(editor) {
    setObjectName("frmFind");
    setWindowTitle("Find title");
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    setSizeGripEnabled(false);

    Label1 = Named(new QLabel("&Text contains:", this), "Label1");
    txtFind = Named(new QLineEdit(this), "txtFind");
    Label1->setBuddy(txtFind);
    optAny = Named(new QRadioButton("Any word", this), "optAny");
    optAll = Named(new QRadioButton("All words", this), "optAll");
    optExact = Named(new QRadioButton("Exact phrase", this), "optExact");
    cmdSearch = Named(new QPushButton("Find &First", this), "cmdSearch");
    cmdNext = Named(new QPushButton("Find &Next", this), "cmdNext");
    cmdExit = Named(new QPushButton("&Close", this), "cmdExit");

    auto* fields = new QVBoxLayout;
    fields->addWidget(Label1);
    fields->addWidget(txtFind);
    fields->addSpacing(4);
    fields->addWidget(optAny);
    fields->addWidget(optAll);
    fields->addWidget(optExact);
    fields->addStretch();
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdSearch);
    buttons->addWidget(cmdNext);
    buttons->addWidget(cmdExit);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    txtFind->setMinimumWidth(220);
    setFixedSize(sizeHint());

    connect(cmdSearch, &QPushButton::clicked, this, &frmFind::cmdSearch_Click);
    connect(cmdNext, &QPushButton::clicked, this, &frmFind::cmdNext_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmFind::cmdExit_Click);
    connect(txtFind, &QLineEdit::textChanged, this, &frmFind::txtFind_Change);

    optAll->setChecked(true);
    cmdSearch->setDefault(true);
    move(DialogOrigin(editor_));
}

SearchMode frmFind::mode() const {
    if (optAny->isChecked()) return SearchMode::AnyWord;
    if (optExact->isChecked()) return SearchMode::ExactPhrase;
    return SearchMode::AllWords;
}

void frmFind::cmdSearch_Click() {
    searchFrom_ = 0;
    FindMatch();
    cmdNext->setDefault(true);
}

void frmFind::cmdNext_Click() {
    searchFrom_ = foundIndex_;
    FindMatch();
}

void frmFind::cmdExit_Click() {
    close();
}

void frmFind::txtFind_Change() {
    cmdSearch->setDefault(true);
}

void frmFind::FindMatch() {
    searchWords_.clear();
    const SUBTITLES& Subt = editor_.store();
    if (!txtFind->text().isEmpty()) {
        const TitleSearch search(txtFind->text(), mode());
        searchWords_ = search.words();
        foundIndex_ = search.NextMatch(Subt, searchFrom_);
        if (foundIndex_ <= Subt.Count()) {
            if (editor_.CurrentRow() != 0) editor_.UnselectCurrentRow();
            editor_.GoToTitle(foundIndex_);
            return;
        }
    }
    if (foundIndex_ > Subt.Count()) {
        showingMessage_ = true;
        editor_.services().MessageBox("No match.", MessageButtons::OK, MessageIcon::None);
        showingMessage_ = false;
        cmdExit->setDefault(true);
    }
}

bool frmFind::isOwnWindow(const QWidget* window) const {
    for (const QWidget* w = window; w != nullptr; w = w->parentWidget()) {
        if (w == this) return true;
    }
    return false;
}

void frmFind::Form_Deactivate() {
    if (showingMessage_) return;
    const QWidget* now = QApplication::activeWindow();
    if (now == nullptr || isOwnWindow(now)) return;
    hide();
}

void frmFind::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) Form_Deactivate();
}

} // namespace cuemark
