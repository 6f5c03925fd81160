#include "tests/app/support/scripted_services.h"

#include <QDialog>

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

void ScriptedServices::RunModal(QDialog& dialog) {
    modalDialogs.push_back(dialog.objectName().toStdString());
    if (modalDrivers.empty()) {
        dialog.reject();
        return;
    }
    std::function<void(QDialog&)> driver = std::move(modalDrivers.front());
    modalDrivers.pop_front();
    dialog.setModal(true);
    dialog.show();
    driver(dialog);
    if (dialog.isVisible()) dialog.reject();
}

std::optional<QFont> ScriptedServices::ChooseFont(const QFont&) {
    ++fontDialogs;
    if (fonts.empty()) return std::nullopt;
    std::optional<QFont> font = fonts.front();
    fonts.pop_front();
    return font;
}

} // namespace cuemark::testing
