#include "app/recovery/session_keeper.h"

#include <chrono>

#include "app/recovery/frm_recover.h"

namespace cuemark {

std::string RecoveryOffMessage(const std::string& why) {
    return "Your work can not be kept for recovery after a crash:\r\n" + why +
           "\r\nYou can go on working; save your subtitles as usual.";
}

SessionKeeper::SessionKeeper(SUBTITLES& store, WindowServices& services, std::string root)
    : store_(store), services_(services), root_(std::move(root)) {
    std::string why;
    journal_ = session::SessionJournal::start(root_, store_, &why);
    if (!journal_) {
        recoveryOff(why);
        return;
    }
    timer_.setInterval(TickMs);
    connect(&timer_, &QTimer::timeout, this, &SessionKeeper::tick);
    timer_.start();
}

SessionKeeper::~SessionKeeper() = default;

void SessionKeeper::titlesAboutToBeReplaced() {
    if (journal_) journal_->pause();
}

void SessionKeeper::titlesReplaced(const session::SessionDetails& details) {
    if (journal_) journal_->rebase(details);
}

void SessionKeeper::detailsChanged(const session::SessionDetails& details) {
    if (journal_) journal_->setDetails(details);
}

std::optional<session::SessionDetails> SessionKeeper::offerRecovery() {
    session::CrashedSessions crashed = session::CrashedSessions::find(root_);
    if (crashed.sessions().empty()) return std::nullopt;
    frmRecover dialog(crashed);
    services_.RunModal(dialog);
    session::SessionDetails details;
    if (!dialog.chosen() || !recover(crashed, *dialog.chosen(), details)) return std::nullopt;
    return details;
}

bool SessionKeeper::recover(session::CrashedSessions& crashed, size_t i, session::SessionDetails& details) {
    titlesAboutToBeReplaced();
    if (!crashed.recover(i, store_, details)) {
        titlesReplaced(details);
        return false;
    }
    // Not on the disk as a file yet: Save and "Save subtitles?" must know.
    details.changed = true;
    titlesReplaced(details);
    // The crashed session goes only once this one holds its titles durably.
    if (!journal_ || journal_->waitDurable(journal_->lastSequence(), std::chrono::seconds(10))) crashed.discard(i);
    return true;
}

void SessionKeeper::finish() {
    timer_.stop();
    if (journal_) journal_->finish();
    journal_.reset();
}

void SessionKeeper::tick() {
    if (!journal_) return;
    journal_->tick();
    if (const auto failure = journal_->takeFailure()) recoveryOff(*failure);
}

void SessionKeeper::recoveryOff(const std::string& why) {
    timer_.stop();
    services_.MessageBox(RecoveryOffMessage(why), MessageButtons::OK, MessageIcon::Exclamation);
}

} // namespace cuemark
