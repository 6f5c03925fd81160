#include "app/dialogs/frm_sync.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <atomic>
#include <cmath>

#include "app/desktop/window_services.h"
#include "app/dialogs/retime_titles.h"
#include "app/editor/editor_window.h"
#include "app/waveform/waveform_strip.h"
#include "app/widgets/named.h"
#include "audio/analysis.h"
#include "subtitles/time_text.h"
#include "subtitles/title_nudges.h"

namespace cuemark {

struct frmSync::Search {
    std::atomic<bool> done{false};
    audio::SyncProposal proposal;
    std::string failure;
};

namespace {

// Often enough for the progress to look smooth; the work is on other threads.
constexpr int TickMs = 50;
// The scroll bar counts tenths of a second.
constexpr double BarSteps = 10.0;
constexpr int StripHeight = 90;

const char* Refusal(EditorWindow& editor) {
    if (editor.filmPath().empty()) return refusals::NoFilm;
    if (editor.store().Count() == 0) return refusals::NoTitles;
    return nullptr;
}

QString ReadingText(int percent) {
    return QStringLiteral("Reading the sound\u2026 %1%").arg(percent);
}

// The refusal, with the aligner's reason as a sentence of its own.
QString NotFoundText(const std::string& why) {
    QString reason = QString::fromStdString(why).trimmed();
    if (reason.isEmpty()) return QString::fromLatin1(refusals::NotFound);
    reason[0] = reason[0].toUpper();
    if (!reason.endsWith('.')) reason += '.';
    return QString::fromLatin1(refusals::NotFound) + '\n' + reason;
}

QString SureText(double peakRatio) {
    const double least = audio::AlignOptions().minPeakRatio;
    if (peakRatio >= 100.0) return QStringLiteral("How sure: no other fit comes near it.");
    return QStringLiteral("How sure: the best fit stands %1 times above the next best (below %2 nothing is proposed).")
        .arg(peakRatio, 0, 'f', 1)
        .arg(least, 0, 'f', 1);
}

// Hidden until there is something to show, without the dialog changing size.
template <typename T>
T* Reserved(T* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
    widget->hide();
    return widget;
}

} // namespace

frmSync::frmSync(EditorWindow& editor, QWidget* parent)
    : QDialog(parent ? parent : editor.editorWidget()), editor_(editor) {
    setObjectName("frmSync");
    setWindowTitle("Sync to audio");
    buildControls();
    timer_ = new QTimer(this);
    timer_->setInterval(TickMs);
    connect(timer_, &QTimer::timeout, this, &frmSync::tick);
    move(DialogOrigin(editor_));
    if (const char* why = Refusal(editor_))
        showRefusal(QString::fromLatin1(why));
    else
        startReading();
}

frmSync::~frmSync() {
    // The strips read mapped_, which goes before the base class deletes them.
    delete picAfter;
    delete picBefore;
}

void frmSync::buildControls() {
    lblStatus = Named(new QLabel(this), "lblStatus");
    prgSound = Named(new QProgressBar(this), "prgSound");
    prgSound->setRange(0, 100);
    prgSound->setTextVisible(false);
    lblProposal = Named(new QLabel(this), "lblProposal");
    lblProposal->setWordWrap(true);
    lblProposal->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblFit = Named(new QLabel(this), "lblFit");
    lblSure = Named(new QLabel(this), "lblSure");
    lblBefore = Reserved(Named(new QLabel("Now:", this), "lblBefore"));
    lblAfter = Reserved(Named(new QLabel("After:", this), "lblAfter"));
    picBefore = Reserved(Named(new WaveformStrip(editor_.store(), this), "picBefore"));
    picAfter = Reserved(Named(new WaveformStrip(mapped_, this), "picAfter"));
    for (WaveformStrip* strip : {picBefore, picAfter}) {
        strip->setReadOnly(true);
        // No player here, so no play line: it stays out of sight before 0.
        strip->setPlayPosition(-1.0);
        strip->setMinimumSize(640, StripHeight);
        strip->setToolTip("Ctrl+wheel zooms; the wheel scrolls both");
        connect(strip, &WaveformStrip::viewChanged, this, &frmSync::showView);
    }
    hsbView = Reserved(Named(new QScrollBar(Qt::Horizontal, this), "hsbView"));
    connect(hsbView, &QScrollBar::valueChanged, this,
            [this](int value) { showView(value / BarSteps, picBefore->viewSpan()); });
    cmdApply = Named(new QPushButton("Apply", this), "cmdApply");
    cmdApply->setEnabled(false);
    cmdCancel = Named(new QPushButton("Cancel", this), "cmdCancel");
    connect(cmdApply, &QPushButton::clicked, this, &frmSync::cmdApply_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSync::cmdCancel_Click);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblStatus);
    layout->addWidget(prgSound);
    layout->addWidget(lblProposal);
    layout->addWidget(lblFit);
    layout->addWidget(lblSure);
    auto* strips = new QGridLayout;
    strips->addWidget(lblBefore, 0, 0, Qt::AlignTop);
    strips->addWidget(picBefore, 0, 1);
    strips->addWidget(lblAfter, 1, 0, Qt::AlignTop);
    strips->addWidget(picAfter, 1, 1);
    strips->addWidget(hsbView, 2, 1);
    strips->setColumnStretch(1, 1);
    layout->addLayout(strips, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdApply);
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons);
}

void frmSync::startReading() {
    film_ = editor_.filmPath();
    lblStatus->setText(ReadingText(0));
    analysis_ = std::make_unique<audio::AudioAnalysis>();
    try {
        analysis_->start(film_, audio::AudioAnalysis::Options());
    } catch (const std::exception& error) {
        analysis_.reset();
        showRefusal(QStringLiteral("The film's sound could not be read: ") + QString::fromUtf8(error.what()));
        return;
    }
    timer_->start();
    tick(); // from the cache it is all there already
}

void frmSync::tick() {
    if (analysis_) {
        if (!analysis_->isDone()) {
            const int percent = static_cast<int>(std::floor(analysis_->progress() * 100.0));
            prgSound->setValue(percent);
            lblStatus->setText(ReadingText(percent));
            return;
        }
        readingDone();
    }
    if (search_ && search_->done.load(std::memory_order_acquire)) {
        const std::shared_ptr<Search> search = std::move(search_);
        if (search->failure.empty())
            showProposal(search->proposal);
        else
            showRefusal(QStringLiteral("The search could not be done: ") + QString::fromStdString(search->failure));
    }
    if (!analysis_ && !search_) timer_->stop();
}

void frmSync::readingDone() {
    const audio::DecodeResult result = analysis_->result();
    const std::vector<audio::SpeechInterval> speech = analysis_->speech();
    analysis_.reset();
    prgSound->setValue(100);
    if (result.status == audio::DecodeResult::Status::NoAudio)
        return showRefusal(QStringLiteral("The film has no sound track, so there is no speech to sync to."));
    if (!result.ok())
        return showRefusal(QStringLiteral("The film's sound could not be read: ") +
                           QString::fromStdString(result.reason));

    std::vector<audio::Span> spans;
    spans.reserve(speech.size());
    for (const audio::SpeechInterval& interval : speech) spans.push_back({interval.start, interval.end});
    openStrips(result.duration > 0 ? result.duration : (spans.empty() ? 0.0 : spans.back().end));
    startSearch(std::move(spans));
}

void frmSync::startSearch(std::vector<audio::Span> speech) {
    const SUBTITLES& Subt = editor_.store();
    std::vector<audio::Span> titles;
    titles.reserve(static_cast<std::size_t>(Subt.Count()));
    for (std::int32_t i = 1; i <= Subt.Count(); ++i) titles.push_back({Subt.StartTime(i), Subt.EndTime(i)});
    lblStatus->setText(QStringLiteral("Looking for the best fit\u2026"));
    prgSound->setRange(0, 0);
    search_ = std::make_shared<Search>();
    // The search cannot be stopped; a dialog closed meanwhile leaves it to
    // finish into its own copy of everything.
    QThreadPool::globalInstance()->start([search = search_, titles = std::move(titles), speech = std::move(speech)] {
        try {
            search->proposal = audio::Align(titles, speech);
        } catch (const std::exception& error) {
            search->failure = error.what();
        }
        search->done.store(true, std::memory_order_release);
    });
}

void frmSync::showProposal(const audio::SyncProposal& proposal) {
    lblStatus->hide();
    prgSound->hide();
    proposal_ = proposal;
    if (!proposal.found) {
        showRefusal(NotFoundText(proposal.why));
        // The titles where they are, for the user to judge.
        const SUBTITLES& Subt = editor_.store();
        picBefore->setCurrentTitle(1);
        showView(Subt.StartTime(1) - 3.0, WaveformStrip::DefaultSpanSeconds);
        return;
    }
    lblProposal->setText(QString::fromStdString(audio::DescribeProposal(proposal)));
    lblFit->setText(QStringLiteral("%1% of the titles' time lies on speech after the sync.")
                        .arg(std::lround(proposal.fit * 100.0)));
    lblSure->setText(SureText(proposal.peakRatio));
    lblFit->show();
    lblSure->show();

    const SUBTITLES& Subt = editor_.store();
    mapped_.Clear();
    for (std::int32_t i = 1; i <= Subt.Count(); ++i) {
        const auto index = static_cast<std::size_t>(i - 1);
        mapped_.Add(proposal.map(index, Subt.StartTime(i)), proposal.map(index, Subt.EndTime(i)), std::string());
    }
    lblAfter->show();
    picAfter->show();
    cmdApply->setEnabled(true);
    cmdApply->setDefault(true);

    // Opened on the first cut, where a single shift would go wrong, or else
    // on the first title; wide enough for its old and new place.
    const std::int32_t title = proposal.segments.size() > 1 ? static_cast<std::int32_t>(proposal.segments[1].first) + 1
                                                            : 1;
    const double from = std::min(Subt.StartTime(title), mapped_.StartTime(title));
    const double to = std::max(Subt.EndTime(title), mapped_.EndTime(title));
    const double span = std::clamp(to - from + 8.0, 10.0, WaveformStrip::MaxSpanSeconds);
    for (WaveformStrip* strip : {picBefore, picAfter}) strip->setCurrentTitle(title);
    showView(from - 3.0, span);
}

void frmSync::showRefusal(const QString& text) {
    timer_->stop();
    lblStatus->hide();
    prgSound->hide();
    lblProposal->setText(text);
    lblFit->clear();
    lblSure->clear();
    lblFit->hide();
    lblSure->hide();
    proposal_ = audio::SyncProposal();
    cmdApply->setEnabled(false);
}

void frmSync::openStrips(double filmSeconds) {
    filmSeconds_ = filmSeconds;
    // The reading has just filled the cache: the strips take the sound from it.
    for (WaveformStrip* strip : {picBefore, picAfter}) strip->openMedia(film_);
    lblBefore->show();
    picBefore->show();
    hsbView->show();
    showView(0.0, WaveformStrip::DefaultSpanSeconds);
}

void frmSync::showView(double start, double span) {
    for (WaveformStrip* strip : {picBefore, picAfter}) strip->setView(start, span);
    span = picBefore->viewSpan();
    const QSignalBlocker quiet(hsbView);
    hsbView->setRange(0, static_cast<int>(std::lround(std::max(0.0, filmSeconds_ - span) * BarSteps)));
    hsbView->setPageStep(static_cast<int>(std::lround(span * BarSteps)));
    hsbView->setSingleStep(static_cast<int>(BarSteps));
    hsbView->setValue(static_cast<int>(std::lround(picBefore->viewStart() * BarSteps)));
}

void frmSync::done(int result) {
    timer_->stop();
    analysis_.reset(); // cancels the reading and waits for at most one packet
    search_.reset();
    for (WaveformStrip* strip : {picBefore, picAfter}) strip->closeMedia();
    QDialog::done(result);
}

void frmSync::cmdApply_Click() {
    if (!proposal_.found) return;
    SUBTITLES& Subt = editor_.store();
    if (mapped_.Count() != Subt.Count()) {
        TellUser(editor_, "The titles changed while the dialog was open, so nothing was changed.");
        return;
    }
    for (std::int32_t i = 1; i <= Subt.Count(); ++i) {
        const double start = mapped_.StartTime(i), end = mapped_.EndTime(i);
        if (!withinTimeRange(start) || !withinTimeRange(end)) return TellUser(editor_, refusals::NotFinite);
        if (start < 0 || end < 0)
            return TellUser(editor_, "The sync would move title " + std::to_string(i) +
                                         " before the film's start, so nothing was changed.");
    }
    // The edits Undo could still take back are lost with a whole-file
    // change: the user says whether that is worth it.
    if (const int undoable = Subt.UndoCount(); undoable > 0) {
        const std::string question =
            "The sync cannot be undone, and the " +
            (undoable == 1 ? std::string("change") : std::to_string(undoable) + " changes") +
            " Undo could take back now would be forgotten. Apply the sync?";
        if (editor_.services().MessageBox(question, MessageButtons::YesNo, MessageIcon::Question) != MessageAnswer::Yes)
            return;
    }
    std::vector<std::int32_t> changed;
    {
        // Not journalled: a whole-file change cannot be undone, and the
        // entries before it would not fit it (the journal is emptied below).
        UnrecordedWrites pass(Subt);
        for (std::int32_t i = 1; i <= Subt.Count(); ++i) {
            const double start = mapped_.StartTime(i), end = mapped_.EndTime(i);
            if (start == Subt.StartTime(i) && end == Subt.EndTime(i)) continue;
            Subt.SetTimes(i, start, end);
            changed.push_back(i);
        }
    }
    for (std::int32_t row : changed)
        if (row <= editor_.RowCount()) editor_.MarkChanged(row);
    if (!changed.empty()) editor_.markSubtitlesChanged();
    editor_.LoadList();
    Subt.ClearUndo();
    accept();
}

void frmSync::cmdCancel_Click() {
    reject();
}

void SyncToAudio(EditorWindow& editor) {
    if (const char* why = Refusal(editor)) return TellUser(editor, why);
    frmSync dialog(editor);
    editor.services().RunModal(dialog);
}

} // namespace cuemark
