#include "tests/app/scripted_services.h"

namespace cuemark::testing {

MessageAnswer ScriptedServices::MessageBox(const std::string& text, MessageButtons buttons, MessageIcon) {
    messages.push_back(text);
    messageButtons.push_back(buttons);
    if (buttons == MessageButtons::OK) return MessageAnswer::OK;
    if (answers.empty()) return MessageAnswer::No;
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

void ScriptedServices::AskFrameRate(double& FrameRate) {
    ++frameRateQuestions;
    if (frameRate) FrameRate = *frameRate;
}

std::optional<std::string> ScriptedServices::ChooseSaveFile(const SaveFileRequest& request) {
    saveRequests.push_back(request);
    if (saveNames.empty()) return std::nullopt;
    std::optional<std::string> name = saveNames.front();
    saveNames.pop_front();
    return name;
}

std::optional<std::string> ScriptedServices::ShowOpen(const OpenFileRequest& request) {
    openRequests.push_back(request);
    if (openNames.empty()) return std::nullopt;
    std::optional<std::string> name = openNames.front();
    openNames.pop_front();
    return name;
}

} // namespace cuemark::testing
