#pragma once
// Dialogs for window tests: answers and file names queued by the test,
// and every text shown recorded.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "app/window_services.h"

namespace cuemark::testing {

class ScriptedServices : public WindowServices {
public:
    MessageAnswer MessageBox(const std::string& text, MessageButtons buttons, MessageIcon icon) override;
    void AskFrameRate(double& FrameRate) override;
    void ShowLoadingNotice() override { ++loadingNoticesShown; }
    void HideLoadingNotice() override { ++loadingNoticesHidden; }
    std::optional<std::string> ChooseSaveFile(const SaveFileRequest& request) override;
    std::optional<std::string> ShowOpen(const OpenFileRequest& request) override;

    // Answers to questions (Yes/No boxes), in order; No when none is left.
    std::deque<MessageAnswer> answers;
    // File names for the open and save dialogs; nothing means cancel.
    std::deque<std::optional<std::string>> openNames;
    std::deque<std::optional<std::string>> saveNames;
    // The rate the frame-rate question confirms; nothing closes it unconfirmed.
    std::optional<double> frameRate;

    std::vector<std::string> messages;
    std::vector<MessageButtons> messageButtons;
    std::vector<OpenFileRequest> openRequests;
    std::vector<SaveFileRequest> saveRequests;
    int frameRateQuestions = 0;
    int loadingNoticesShown = 0;
    int loadingNoticesHidden = 0;
};

} // namespace cuemark::testing
