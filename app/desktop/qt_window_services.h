#pragma once
// The dialogs a person sees: message boxes, the frame-rate question, the
// loading notice and the file dialogs, all over the main window.

#include <QPointer>
#include <QStringList>

#include "app/desktop/window_services.h"

class QWidget;

namespace cuemark {

class frmLoading;

// "Desc|*.a;*.b|Desc2 (*.c)|*.c" as Qt name filters: "Desc (*.a *.b)",
// "Desc2 (*.c)", each showing its patterns once; "*.*" becomes "*". A
// description without a pattern is dropped.
QStringList NameFiltersOf(const std::string& filter);

class QtWindowServices : public WindowServices {
public:
    explicit QtWindowServices(QWidget* mainWindow);
    ~QtWindowServices() override;
    // The main window is made after its services; it is set once it exists.
    void setMainWindow(QWidget* mainWindow) { mainWindow_ = mainWindow; }

    MessageAnswer MessageBox(const std::string& text, MessageButtons buttons, MessageIcon icon) override;
    void AskFrameRate(double& FrameRate) override;
    void ShowLoadingNotice() override;
    void HideLoadingNotice() override;
    std::optional<SaveFileChoice> ChooseSaveFile(const SaveFileRequest& request) override;
    std::optional<std::string> ShowOpen(const OpenFileRequest& request) override;
    void RunModal(QDialog& dialog) override;
    std::optional<QFont> ChooseFont(const QFont& current) override;

private:
    // Messages and dialogs belong to the window the user is working in.
    QWidget* ownerWindow() const;

    QWidget* mainWindow_;
    QPointer<frmLoading> loading_;
};

} // namespace cuemark
