#pragma once
// Dialogs for window tests: answers and file names queued by the test,
// and every text shown recorded.

#include <QFont>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/desktop/window_services.h"

namespace cuemark::testing {

class ScriptedServices : public WindowServices {
public:
    MessageAnswer MessageBox(const std::string& text, MessageButtons buttons, MessageIcon icon) override;
    void AskFrameRate(double& FrameRate) override;
    void ShowLoadingNotice() override { ++loadingNoticesShown; }
    void HideLoadingNotice() override { ++loadingNoticesHidden; }
    std::optional<SaveFileChoice> ChooseSaveFile(const SaveFileRequest& request) override;
    std::optional<std::string> ShowOpen(const OpenFileRequest& request) override;
    // Runs the next queued driver on the dialog instead of showing it; with
    // none queued the dialog is closed unanswered (rejected).
    void RunModal(QDialog& dialog) override;
    std::optional<QFont> ChooseFont(const QFont& current) override;

    // Answers to questions (Yes/No boxes), in order; No when none is left.
    std::deque<MessageAnswer> answers;
    // File names for the open and save dialogs; nothing means cancel.
    std::deque<std::optional<std::string>> openNames;
    std::deque<std::optional<std::string>> saveNames;
    // The file type picked in each save dialog; the one offered when none
    // is left.
    std::deque<int> saveTypes;
    // The rate the frame-rate question confirms; nothing closes it unconfirmed.
    std::optional<double> frameRate;

    // Drivers for modal dialogs, in order; each works the dialog's controls.
    std::deque<std::function<void(QDialog&)>> modalDrivers;
    // Fonts the font dialog returns; nothing means cancel.
    std::deque<std::optional<QFont>> fonts;

    std::vector<std::string> messages;
    std::vector<MessageButtons> messageButtons;
    std::vector<OpenFileRequest> openRequests;
    std::vector<SaveFileRequest> saveRequests;
    std::vector<std::string> modalDialogs; // object names, in the order shown
    int fontDialogs = 0;
    int frameRateQuestions = 0;
    int loadingNoticesShown = 0;
    int loadingNoticesHidden = 0;
};

} // namespace cuemark::testing
