#pragma once
// "Recover unsaved work": shown at start, before the main window takes
// input, when runs that crashed left unsaved changes. Each is named by its
// subtitle file (or "(new file)"), the time of its last change and how many
// titles changed. Recover takes the selected one; Discard deletes it; Later
// keeps the rest for the next start.

#include <QDialog>
#include <optional>

#include "session/recovery.h"

class QListWidget;
class QPushButton;

namespace cuemark {

class frmRecover : public QDialog {
    Q_OBJECT
public:
    explicit frmRecover(session::CrashedSessions& sessions, QWidget* parent = nullptr);

    // The session to recover, when the user chose Recover.
    std::optional<size_t> chosen() const { return chosen_; }

public slots:
    void cmdRecover_Click();
    void cmdDiscard_Click();
    void cmdLater_Click();

private:
    void fillList();
    std::optional<size_t> selected() const;

    session::CrashedSessions& sessions_;
    std::vector<size_t> rows_; // the session of each row
    std::vector<bool> discarded_;
    std::optional<size_t> chosen_;
    QListWidget* lstSessions;
    QPushButton* cmdRecover;
    QPushButton* cmdDiscard;
    QPushButton* cmdLater;
};

// A session's line in the list.
QString SessionLine(const session::CrashedSession& session);

} // namespace cuemark
