#include "app/dialogs/frm_edit.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/editor/editor_window.h"
#include "app/desktop/window_services.h"
#include "app/desktop/keyvane_settings.h"
#include "app/widgets/tag_buttons.h"
#include "app/desktop/twips.h"
#include "app/desktop/virtual_keys.h"
#include "subtitles/number_text.h"
#include "subtitles/store.h"
#include "subtitles/time_text.h"

namespace cuemark {

namespace {

constexpr double GapAboveBar = 105; // twips between the text box and the bar

const char* const DurationRefused = "The duration cannot be negative or zero.";
const char* const StartBeforeMedia = "The title cannot start before the start of the media.";
const char* const StartBeforePrevious = "This would start the title before the end of the previous one.";
const char* const EndAfterNext = "This would make the subtitle last until after the start of the next one.";

// A title's CR LF line breaks as the text box's lines.
QString LinesForBox(const std::string& stored) {
    QString text = QString::fromStdString(stored);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// The box's raw text (blocks separated by paragraph separators) back into a
// title's text. Raw, so that no-break spaces survive.
std::string LinesJoined(QString raw) {
    raw.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    raw.replace(QChar::LineSeparator, QLatin1Char('\n'));
    raw.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    return raw.toStdString();
}

// The list writes durations with the user's decimal separator; a full stop
// typed by hand must read as well.
double DurationNumber(const QString& field) {
    QString text = field;
    const QString localePoint = QLocale().decimalPoint();
    if (localePoint.size() == 1) text.replace(localePoint, QLatin1String("."));
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    return LeadingNumber(text.toStdString());
}

} // namespace

frmEdit::frmEdit(EditorWindow& editor, QWidget* parent)
    : QDialog(parent != nullptr ? parent : editor.editorWidget()), editor_(editor) {
    setObjectName("frmEdit");
    setWindowTitle("Edit subtitle");
    buildControls();
    Form_Load();
}

void frmEdit::buildControls() {
    txtSubt = new QPlainTextEdit(this);
    txtSubt->setObjectName("txtSubt");
    txtSubt->setToolTip("Edit the subtitle text");
    txtSubt->installEventFilter(this);
    // Mouse clicks reach the viewport, not the text box itself.
    txtSubt->viewport()->installEventFilter(this);

    PB = new QWidget(this);
    PB->setObjectName("PB");
    Label1 = new QLabel("Start:", PB);
    Label1->setObjectName("Label1");
    txtStart = new QLineEdit(PB);
    txtStart->setObjectName("txtStart");
    txtStart->setToolTip("Edit the subtitle start point");
    Label2 = new QLabel("Duration:", PB);
    Label2->setObjectName("Label2");
    txtDuration = new QLineEdit(PB);
    txtDuration->setObjectName("txtDuration");
    txtDuration->setToolTip("Edit the subtitle duration");
    Label1->setBuddy(txtStart);
    Label2->setBuddy(txtDuration);

    cmdB = new QPushButton(TagButtonCaption(BoldTag, false), PB);
    cmdB->setObjectName("cmdB");
    cmdB->setAutoDefault(false);
    cmdI = new QPushButton(TagButtonCaption(ItalicTag, false), PB);
    cmdI->setObjectName("cmdI");
    cmdI->setAutoDefault(false);
    cmdOK = new QPushButton("OK", PB);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setToolTip("Save changes and return to list");
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton("Cancel", PB);
    cmdCancel->setObjectName("cmdCancel");
    cmdCancel->setToolTip("Cancel changes and return to list");
    cmdCancel->setAutoDefault(false);

    // Wide enough for "00:00:00,000" and a duration, whatever the font.
    const QFontMetrics metrics(txtStart->font());
    txtStart->setMinimumWidth(metrics.horizontalAdvance("000:00:00,0000"));
    txtDuration->setMinimumWidth(metrics.horizontalAdvance("0000,0000"));

    // Two rows, so that everything stays readable at the smallest width.
    auto* times = new QHBoxLayout;
    times->addWidget(Label1);
    times->addWidget(txtStart, 2);
    times->addSpacing(8);
    times->addWidget(Label2);
    times->addWidget(txtDuration, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdB);
    buttons->addWidget(cmdI);
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* bar = new QVBoxLayout(PB);
    bar->setContentsMargins(6, 4, 6, 6);
    bar->addLayout(times);
    bar->addLayout(buttons);

    connect(cmdB, &QPushButton::clicked, this, &frmEdit::cmdB_Click);
    connect(cmdI, &QPushButton::clicked, this, &frmEdit::cmdI_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmEdit::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmEdit::cmdCancel_Click);
}

void frmEdit::Form_Load() {
    txtSubt->setFont(editor_.ListFont());
    layOut();
    move(DialogOrigin(editor_));
    KeyvaneSettings& settings = editor_.settings();
    const std::int32_t width = settings.GetDword("SEWidth", DesignWidth);
    const std::int32_t height = settings.GetDword("SEHeight", DesignHeight);
    setOuterSize(width, height);
    Form_Resize();

    const std::int32_t row = editor_.CurrentRow();
    if (row >= 1) {
        txtSubt->setPlainText(LinesForBox(editor_.CellText(row, 0)));
        txtStart->setText(QString::fromStdString(editor_.CellText(row, 1)));
        txtDuration->setText(QString::fromStdString(editor_.CellText(row, 2)));
    }
    shownStart_ = txtStart->text();
    shownDuration_ = txtDuration->text();
    UpdateTagButtons();
}

void frmEdit::setOuterSize(double widthTwips, double heightTwips) {
    const QSize frame = frameGeometry().size() - size();
    resize(TwipsToPixels(widthTwips, this) - frame.width(), TwipsToPixels(heightTwips, this) - frame.height());
}

void frmEdit::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Form_Resize();
}

void frmEdit::Form_Resize() {
    // Compared in pixels: a minimum in twips need not be a whole number of
    // pixels, and comparing twips would snap for ever.
    const QSize outer = frameGeometry().size();
    const int minWidth = TwipsToPixels(MinimumWidth, this);
    const int minHeight = TwipsToPixels(MinimumHeight, this);
    if (outer.height() < minHeight || outer.width() < minWidth) {
        const QSize frame = outer - size();
        resize(std::max(outer.width(), minWidth) - frame.width(), std::max(outer.height(), minHeight) - frame.height());
    }
    layOut();
}

void frmEdit::layOut() {
    const int barHeight = PB->sizeHint().height();
    PB->setGeometry(0, height() - barHeight, width(), barHeight);
    const int textHeight = PB->y() - TwipsToPixels(GapAboveBar, this);
    txtSubt->setGeometry(0, 0, width(), std::max(textHeight, 0));
}

bool frmEdit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtSubt->viewport() && event->type() == QEvent::MouseButtonRelease) {
        txtSubt_Click();
    } else if (watched == txtSubt && event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        int shift = 0;
        if (key->modifiers() & Qt::ShiftModifier) shift |= 1;
        if (key->modifiers() & Qt::ControlModifier) shift |= 2;
        if (key->modifiers() & Qt::AltModifier) shift |= 4;
        txtSubt_KeyUp(VirtualKeyOf(*key), shift);
    }
    return QDialog::eventFilter(watched, event);
}

void frmEdit::txtSubt_Click() {
    UpdateTagButtons();
}

void frmEdit::txtSubt_KeyUp(std::int16_t, int) {
    UpdateTagButtons();
}

void frmEdit::UpdateTagButtons() {
    const QString text = txtSubt->document()->toRawText();
    const int caret = txtSubt->textCursor().selectionStart();
    boldOpen_ = TagOpenAt(text, caret, BoldTag);
    italicOpen_ = TagOpenAt(text, caret, ItalicTag);
    cmdB->setText(TagButtonCaption(BoldTag, boldOpen_));
    cmdI->setText(TagButtonCaption(ItalicTag, italicOpen_));
}

void frmEdit::cmdB_Click() {
    insertTag(boldOpen_, BoldTag);
}

void frmEdit::cmdI_Click() {
    insertTag(italicOpen_, ItalicTag);
}

void frmEdit::insertTag(bool open, const InlineTag& tag) {
    // Only the caret counts: a selection is neither wrapped nor replaced.
    QTextCursor cursor = txtSubt->textCursor();
    cursor.setPosition(cursor.selectionStart());
    cursor.insertText(open ? tag.close : tag.open);
    txtSubt->setTextCursor(cursor);
    txtSubt->setFocus();
    UpdateTagButtons();
}

std::string frmEdit::boxText() const {
    return LinesJoined(txtSubt->document()->toRawText());
}

const char* frmEdit::timesRefusal(std::int32_t ix, double start, double duration, double end) const {
    const SUBTITLES& subt = editor_.store();
    // Written so that NaN and infinity are refused too; a duration lost in
    // rounding (or in the start's magnitude) would store an empty title.
    // Neighbours are compared in whole milliseconds, the fields' resolution:
    // the same time read from a file or a field may differ in its last bit.
    if (!(duration > 0) || !std::isfinite(duration)) return DurationRefused;
    if (!std::isfinite(start) || !std::isfinite(end)) return StartBeforeMedia;
    if (!(end > RoundToMs(start))) return DurationRefused;
    if (ix <= 1) {
        if (start < 0) return StartBeforeMedia;
    } else if (RoundToMs(start) < RoundToMs(subt.EndTime(ix - 1))) {
        return StartBeforePrevious;
    }
    if (ix < subt.Count() && end > RoundToMs(subt.StartTime(ix + 1))) return EndAfterNext;
    return nullptr;
}

void frmEdit::cmdOK_Click() {
    const QString raw = txtSubt->document()->toRawText();
    const QString closed = CloseOpenTags(raw);
    if (closed.size() > raw.size()) {
        QTextCursor cursor(txtSubt->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(closed.mid(raw.size()));
    }

    SUBTITLES& subt = editor_.store();
    const std::int32_t ix = editor_.CurrentRow();
    if (ix < 1 || ix > subt.Count()) {
        accept();
        return;
    }

    // The fields show the times rounded to milliseconds, and the rounded
    // start plus the rounded duration can miss the end's millisecond: a
    // field the user left alone stands for the stored time itself.
    const bool startTyped = txtStart->text() != shownStart_;
    const bool durationTyped = txtDuration->text() != shownDuration_;
    const bool timesTyped = startTyped || durationTyped;
    const double start = startTyped ? TextToTime(txtStart->text().toStdString()) : subt.StartTime(ix);
    const double duration = DurationNumber(txtDuration->text());
    const double end = timesTyped ? RoundToMs(start + duration) : subt.EndTime(ix);

    // Untouched times are not checked: a text edit is never refused for
    // times the user did not write.
    if (const char* refusal = timesTyped ? timesRefusal(ix, start, duration, end) : nullptr) {
        editor_.services().MessageBox(refusal, MessageButtons::OK, MessageIcon::None);
        return;
    }

    // The stored text as the box showed it, so that an untouched title with
    // other line ends counts as unchanged.
    const std::string text = boxText();
    const bool changed = text != LinesJoined(LinesForBox(subt.Text(ix))) ||
                         (timesTyped &&
                          (RoundToMs(subt.StartTime(ix)) != RoundToMs(start) || RoundToMs(subt.EndTime(ix)) != end));
    if (changed) {
        editor_.markSubtitlesChanged();
        subt.SetText(ix, text);
        // The times ride on the text's journal entry: one undo step. A store
        // not recording stays so.
        const bool recording = subt.UndoEnabled();
        if (timesTyped) {
            subt.SetUndoEnabled(false);
            subt.SetStartTime(ix, start);
            subt.SetEndTime(ix, end);
            subt.SetUndoEnabled(recording);
        }
        editor_.RefreshRow(ix);
        std::int32_t changedRow = ix;
        editor_.MarkChanged(changedRow);
    }
    accept();
}

void frmEdit::cmdCancel_Click() {
    reject();
}

void frmEdit::done(int result) {
    Form_Unload();
    QDialog::done(result);
}

void frmEdit::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    KeyvaneSettings& settings = editor_.settings();
    const QSize outer = frameGeometry().size();
    settings.SetDword("SEWidth", WholeTwips(outer.width(), this));
    settings.SetDword("SEHeight", WholeTwips(outer.height(), this));
}

} // namespace cuemark
