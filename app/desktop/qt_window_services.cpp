#include "app/desktop/qt_window_services.h"

#include <algorithm>

#include <QFile>
#include <QApplication>
#include <QFileDialog>
#include <QFontDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "app/dialogs/frm_frame_rate.h"
#include "app/dialogs/frm_loading.h"

namespace cuemark {

namespace {

constexpr const char* ProgramTitle = "Cuemark";

QMessageBox::Icon iconOf(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Exclamation: return QMessageBox::Warning;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

struct FileDialogSetup {
    QString title;
    std::string fileName;
    std::string filter;
    QFileDialog::AcceptMode acceptMode;
    QFileDialog::FileMode fileMode;
    bool overwritePrompt;
    int filterIndex = 0;
};

struct FileDialogChoice {
    std::string fileName;
    int filterIndex = 0;
};

std::optional<FileDialogChoice> runFileDialog(QWidget* parent, const FileDialogSetup& setup) {
    QFileDialog dialog(parent, setup.title);
    // The same dialog on every desktop, and one that tests can drive.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !setup.overwritePrompt);
    dialog.setAcceptMode(setup.acceptMode);
    dialog.setFileMode(setup.fileMode);
    const QStringList filters = NameFiltersOf(setup.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        if (setup.filterIndex > 0 && setup.filterIndex < filters.size())
            dialog.selectNameFilter(filters[setup.filterIndex]);
    }
    if (!setup.fileName.empty()) {
        const QFileInfo start(QFile::decodeName(QByteArray::fromStdString(setup.fileName)));
        dialog.setDirectory(start.absolutePath());
        dialog.selectFile(start.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString chosen = QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
    return FileDialogChoice{QFile::encodeName(chosen).toStdString(),
                            std::max(0, int(filters.indexOf(dialog.selectedNameFilter())))};
}

} // namespace

QStringList NameFiltersOf(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        if (patterns.isEmpty()) continue;
        // "*.*" would hide names without a full stop; it means every file.
        for (QString& pattern : patterns)
            if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
        // Qt shows the patterns after the description itself: one the
        // description already names, "SubRip files (*.srt)", is cut from it.
        QString description = parts[i].trimmed();
        const qsizetype open = description.lastIndexOf(QLatin1Char('('));
        if (description.endsWith(QLatin1Char(')')) && open >= 0 && description.indexOf(QLatin1Char('*'), open) >= 0)
            description = description.left(open).trimmed();
        filters << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
    }
    return filters;
}

QtWindowServices::QtWindowServices(QWidget* mainWindow) : mainWindow_(mainWindow) {}

QtWindowServices::~QtWindowServices() {
    delete loading_.data();
}

MessageAnswer QtWindowServices::MessageBox(const std::string& text, MessageButtons buttons, MessageIcon icon) {
    QString shown = QString::fromStdString(text);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const bool question = buttons == MessageButtons::YesNo;
    QMessageBox box(iconOf(icon), ProgramTitle, shown, question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    ownerWindow());
    // Titles quoted in a message may hold "<i>"; show them as typed.
    box.setTextFormat(Qt::PlainText);
    box.setObjectName("MessageBox");
    const int answer = box.exec();
    if (!question) return MessageAnswer::OK;
    return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

void QtWindowServices::AskFrameRate(double& FrameRate) {
    frmFrameRate dialog(FrameRate, mainWindow_, [this](const QString& message) {
        MessageBox(message.toStdString(), MessageButtons::OK, MessageIcon::Exclamation);
    });
    dialog.exec();
    FrameRate = dialog.FrameRate();
}

void QtWindowServices::ShowLoadingNotice() {
    if (loading_ == nullptr) loading_ = new frmLoading(mainWindow_);
    loading_->showNow();
}

void QtWindowServices::HideLoadingNotice() {
    if (loading_ == nullptr) return;
    loading_->close();
    delete loading_.data();
}

std::optional<SaveFileChoice> QtWindowServices::ChooseSaveFile(const SaveFileRequest& request) {
    const std::optional<FileDialogChoice> chosen = runFileDialog(
        mainWindow_, {QString(), request.fileName, request.filter, QFileDialog::AcceptSave, QFileDialog::AnyFile,
                      request.overwritePrompt, request.filterIndex});
    if (!chosen) return std::nullopt;
    return SaveFileChoice{chosen->fileName, chosen->filterIndex};
}

std::optional<std::string> QtWindowServices::ShowOpen(const OpenFileRequest& request) {
    const std::optional<FileDialogChoice> chosen = runFileDialog(
        mainWindow_, {QString::fromStdString(request.title), request.fileName, request.filter, QFileDialog::AcceptOpen,
                      request.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile, true});
    if (!chosen) return std::nullopt;
    return chosen->fileName;
}

void QtWindowServices::RunModal(QDialog& dialog) {
    dialog.exec();
}

std::optional<QFont> QtWindowServices::ChooseFont(const QFont& current) {
    QFontDialog dialog(current, ownerWindow());
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    dialog.setOption(QFontDialog::ScalableFonts);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.selectedFont();
}

QWidget* QtWindowServices::ownerWindow() const {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (QWidget* active = QApplication::activeWindow()) return active;
    return mainWindow_;
}

} // namespace cuemark
