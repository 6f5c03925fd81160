#include "tests/app/support/scripted_services.h"

#include <QDialog>

namespace cuemark::testing {

namespace {

// The next scripted file name; none (a cancelled dialog) once the script
// has run out.
std::optional<std::string> nextName(std::deque<std::optional<std::string>>& names) {
    if (names.empty()) return std::nullopt;
    std::optional<std::string> name = names.front();
    names.pop_front();
    return name;
}

} // namespace

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

std::optional<SaveFileChoice> ScriptedServices::ChooseSaveFile(const SaveFileRequest& request) {
    saveRequests.push_back(request);
    std::optional<std::string> name = nextName(saveNames);
    int type = request.filterIndex;
    if (!saveTypes.empty()) {
        type = saveTypes.front();
        saveTypes.pop_front();
    }
    if (!name) return std::nullopt;
    return SaveFileChoice{*name, type};
}

std::optional<std::string> ScriptedServices::ShowOpen(const OpenFileRequest& request) {
    openRequests.push_back(request);
    return nextName(openNames);
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
