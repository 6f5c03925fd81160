#pragma once
// The session journal for the program: started with the main window, told
// when the titles are replaced, saved or given a film, finished at a normal
// close. A journal that cannot start, or stops writing (a full disk), turns
// recovery off with one message, and the work goes on without it.

#include <QObject>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>

#include "app/desktop/window_services.h"
#include "session/folders.h"
#include "session/journal.h"
#include "session/recovery.h"

namespace cuemark {

class SessionKeeper : public QObject {
    Q_OBJECT
public:
    // How often the journal is offered a snapshot and asked about failures.
    static constexpr int TickMs = 250;

    // Starts a session for `store` under `root`; on failure says so once.
    SessionKeeper(SUBTITLES& store, WindowServices& services, std::string root = session::SessionsRoot());
    ~SessionKeeper() override;

    const std::string& root() const { return root_; }
    bool recording() const { return journal_ != nullptr; }

    // Around a load or a new file: the titles are then written whole.
    void titlesAboutToBeReplaced();
    void titlesReplaced(const session::SessionDetails& details);
    // A save (the titles are then clean), another film, another name.
    void detailsChanged(const session::SessionDetails& details);
    // Offers the work of runs that crashed ("Recover unsaved work"); the
    // details of the session put into the store, when one was recovered.
    std::optional<session::SessionDetails> offerRecovery();
    // Puts crashed session i into the store; on success the titles are this
    // session's and the crashed session's folder is gone.
    bool recover(session::CrashedSessions& crashed, size_t i, session::SessionDetails& details);
    // A normal close: nothing is left to recover.
    void finish();

private:
    void tick();
    void recoveryOff(const std::string& why);

    SUBTITLES& store_;
    WindowServices& services_;
    std::string root_;
    std::unique_ptr<session::SessionJournal> journal_;
    QTimer timer_;
};

// The message that recovery is off, with its reason.
std::string RecoveryOffMessage(const std::string& why);

} // namespace cuemark
