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
    int filterIndex = 0;  // the file type shown first, counted from 0
    bool overwritePrompt = true;
    bool hideReadOnly = true;
};

struct SaveFileChoice {
    std::string fileName; // as typed: it may lack an extension
    int filterIndex = 0;  // the file type selected when the user pressed Save
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
    // The chosen file name and type, or nothing when the user cancelled.
    virtual std::optional<SaveFileChoice> ChooseSaveFile(const SaveFileRequest& request) = 0;
};

} // namespace cuemark
