#pragma once
// Everything the engine needs from a person. The GUI plugs real dialogs in;
// tests and the command-line tool plug in their own.

#include <optional>
#include <string>

namespace cuemark {

enum class MessageButtons { OK, YesNo };
enum class MessageIcon { None, Information, Exclamation, Question };
enum class MessageAnswer { OK, Yes, No };

struct SaveFileRequest {
    std::string fileName; // the name to suggest (extension already cut off)
    std::string filter;   // "Description (*.ext)|*.ext|..."
    bool overwritePrompt = true;
    bool hideReadOnly = true;
};

class UserSeam {
public:
    virtual ~UserSeam() = default;
    // A message box with the program's title.
    virtual MessageAnswer MessageBox(const std::string& text, MessageButtons buttons, MessageIcon icon) = 0;
    // The frame-rate question, modal. On return FrameRate holds the confirmed
    // rate, or its old value when the user closed the question unconfirmed.
    virtual void AskFrameRate(double& FrameRate) = 0;
    virtual void ShowLoadingNotice() = 0;
    virtual void HideLoadingNotice() = 0;
    // The chosen file name, or nothing when the user cancelled.
    virtual std::optional<std::string> ChooseSaveFile(const SaveFileRequest& request) = 0;
};

} // namespace cuemark
