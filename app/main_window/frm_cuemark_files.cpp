// The main window's files: choosing the media and the subtitles, loading,
// saving and opening the editor.
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>

#include "app/main_window/frm_cuemark.h"
#include "app/recovery/session_keeper.h"
#include "app/waveform/waveform_strip.h"
#include "app/widgets/picture_box.h"
#include "app/player/strip_pictures.h"
#include "app/widgets/up_down.h"

namespace cuemark {

namespace {

// The first entry also holds the containers in use today, so that a film is
// listed without changing the filter.
constexpr const char* MediaFilter =
    "Video and Audio Files|*.avi;*.mpg;*.mpeg;*.asf;*.mov;*.wav;*.mp3;"
    "*.mp4;*.m4v;*.mkv;*.webm;*.ogg;*.ogv;*.m4a;*.aac;*.flac;*.opus|"
    "Video files (avi, mpg, asf, mov)|*.avi;*.mpg;*.mpeg;*.asf;*.mov|"
    "Audio Files (wav, mp3)|*.wav;*.mp3|"
    "AVI files (*.avi)|*.avi|"
    "MPEG files (*.mpg)|*.mpg;*.mpeg|"
    "ASF files (*.asf)|*.asf|"
    "QuickTime files (*.mov)|*.mov|"
    "MPeg layer 3 files (*.mp3)|*.mp3|"
    "Windows WAV audio|*.wav|"
    "All Files (*.*)|*.*";

constexpr const char* SaveFirstQuestion = "You have changed subtitles.\r\nSave them first?";

bool IsExistingFile(const QString& name) {
    return !name.isEmpty() && QFileInfo(name).isFile();
}

} // namespace

void frmCuemark::cmdBrowseAVI_Click() {
    OpenFileRequest request;
    request.fileName = WithoutExtension(dialogFileName_);
    request.filter = MediaFilter;
    request.title = "Select an existing media file";
    request.fileMustExist = true;
    if (const std::optional<std::string> chosen = services_.ShowOpen(request)) {
        dialogFileName_ = *chosen;
        txtAVI->setText(QString::fromStdString(*chosen));
    }
    refreshMediaControls();
}

void frmCuemark::refreshMediaControls() {
    AVIFileOK = player_->ReadyState() != 0;
    showWaveform();
    txtTime->setEnabled(AVIFileOK);
    UDTime->setEnabled(AVIFileOK);
    player_->view()->setEnabled(AVIFileOK);
    picButtons->setEnabled(AVIFileOK);
    showStripPicture(AVIFileOK ? 2 : 1);
}

std::string frmCuemark::filmPath() const {
    return AVIFileOK && !calibration_ ? player_->FileName() : std::string();
}

void frmCuemark::txtAVI_Change() {
    AVIFileOK = false;
    const QString name = txtAVI->text();
    if (IsExistingFile(name)) {
        player_->setFileName(name.toStdString());
        picWave->openMedia(name.toStdString());
        Form_Resize();
    }
    // A typed name gets the same controls as a browsed one, the strip too.
    refreshMediaControls();
    refreshReferenceButtons();
    if (sessionKeeper_) sessionKeeper_->detailsChanged(sessionDetails());
}

void frmCuemark::OpenMediaFile(const std::string& fileName) {
    txtAVI->setText(QString::fromStdString(fileName));
    refreshMediaControls();
}

// Asks whether to save changed subtitles first. False when the user wanted
// them saved and the save did not write them: the caller must then leave
// the titles alone.
bool frmCuemark::askSaveFirst() {
    const MessageAnswer answer = services_.MessageBox(SaveFirstQuestion, MessageButtons::YesNo, MessageIcon::None);
    return answer != MessageAnswer::Yes || SaveSubtitles();
}

void frmCuemark::cmdBrowseSRT_Click() {
    if (subtitlesChanged_) {
        if (!askSaveFirst()) return;
        subtitlesChanged_ = false;
    }
    OpenFileRequest request;
    request.fileName = WithoutExtension(dialogFileName_);
    request.filter = SubtitleFiles::SaveFilter;
    request.title = "Select an existing file or enter a new filename";
    request.fileMustExist = false;
    const std::optional<std::string> chosen = services_.ShowOpen(request);
    if (!chosen) return;
    dialogFileName_ = *chosen;
    OpenSubtitleFile(*chosen);
}

void frmCuemark::OpenSubtitleFile(const std::string& fileName) {
    const QString name = QString::fromStdString(fileName);
    {
        const QSignalBlocker quiet(txtSRT);
        txtSRT->setText(name);
    }
    // Loaded here rather than by the box's change, which an unchanged name
    // would not report: choosing the same name again reloads it.
    txtSRT_Change();
    if (IsExistingFile(name)) return;
    const MessageAnswer answer = services_.MessageBox(
        "This file does not yet exist.\r\nDo you want to start a new file?", MessageButtons::YesNo,
        MessageIcon::Question);
    if (answer != MessageAnswer::Yes) return;
    if (sessionKeeper_) sessionKeeper_->titlesAboutToBeReplaced();
    Subt.Clear();
    // Entries left from the previous file would be undone onto this one.
    Subt.ClearUndo();
    Subt.Add(1.0, 2.0, "First subtitle");
    // A new file is edited like a loaded one, with undo.
    Subt.SetUndoEnabled(true);
    files_.format = SubtitleFormat::SubRip;
    if (editor_)
        editor_->SubtitlesReplaced();
    else
        cmdEdit->setEnabled(true);
    // It can be saved at once, like a loaded file.
    cmdSave->setEnabled(true);
    if (sessionKeeper_) sessionKeeper_->titlesReplaced(sessionDetails());
    showNewTitles();
}

void frmCuemark::txtSRT_Change() {
    const QString name = txtSRT->text();
    // Only a name that is about to replace the titles asks about them: once,
    // and a save that was wanted but did not happen keeps them.
    if (name.size() < 5 || !IsExistingFile(name)) return;
    if (subtitlesChanged_ && !askSaveFirst()) return;
    LoadSubtitles(name.toStdString());
}

void frmCuemark::LoadSubtitles(const std::string& fileName) {
    if (sessionKeeper_) sessionKeeper_->titlesAboutToBeReplaced();
    const LoadReport report = files_.LoadSubtitles(fileName);
    // The titles are now the file's own, unless it could not be read.
    if (report.opened) subtitlesChanged_ = false;
    if (sessionKeeper_) sessionKeeper_->titlesReplaced(sessionDetails());
    // An open editor would otherwise show, and edit, the old file's rows.
    if (editor_) editor_->SubtitlesReplaced();
    if (report.reachedFormatStep()) {
        cmdEdit->setEnabled(editor_ == nullptr);
        cmdSave->setEnabled(true);
    }
    showNewTitles();
}

// The title boxes would otherwise show the previous file's texts until the
// player next reports a position.
void frmCuemark::showNewTitles() {
    TitleShown = false;
    if (PlayerActive) {
        ShowTitlesAt(player_->CurrentPosition());
        if (!positioningMode()) txtSubtitle->clear();
    } else {
        txtSubtitle->clear();
        txtNextSubtitle->clear();
    }
}

bool frmCuemark::SaveSubtitles() {
    if (!files_.SaveSubtitles(dialogFileName_)) return false;
    subtitlesChanged_ = false;
    // The titles now belong to the file just written; it is already what
    // they hold, so it is shown without loading it.
    {
        const QSignalBlocker quiet(txtSRT);
        txtSRT->setText(QString::fromStdString(dialogFileName_));
    }
    if (sessionKeeper_) sessionKeeper_->detailsChanged(sessionDetails());
    return true;
}

session::SessionDetails frmCuemark::sessionDetails() const {
    return {txtSRT->text().toStdString(),
            txtAVI->text().toStdString(),
            files_.format,
            files_.encoding,
            files_.FrameRate,
            subtitlesChanged_};
}

void frmCuemark::ShowRecoveredTitles(const session::SessionDetails& details) {
    {
        const QSignalBlocker quiet(txtSRT);
        txtSRT->setText(QString::fromStdString(details.subtitleFile));
    }
    if (!details.subtitleFile.empty()) dialogFileName_ = details.subtitleFile;
    files_.format = details.format;
    files_.encoding = details.encoding;
    files_.FrameRate = details.frameRate;
    Subt.SetUndoEnabled(true);
    subtitlesChanged_ = true;
    if (editor_)
        editor_->SubtitlesReplaced();
    else
        cmdEdit->setEnabled(true);
    cmdSave->setEnabled(true);
    if (!details.mediaFile.empty() && IsExistingFile(QString::fromStdString(details.mediaFile)))
        OpenMediaFile(details.mediaFile);
    showNewTitles();
}

void frmCuemark::cmdSave_Click() {
    SaveSubtitles();
}

void frmCuemark::cmdEdit_Click() {
    if (editor_ || !editorFactory) return;
    if (EditorLink* editor = editorFactory(*this)) EditorOpened(editor);
}

void frmCuemark::showStripPicture(int picture) {
    picButtons->setPixmap(StripPicture(picture));
}

} // namespace cuemark
