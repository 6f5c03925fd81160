// The main window's life: its controls, start, layout, close and settings.
#include "app/main_window/frm_cuemark.h"
#include "app/recovery/session_keeper.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QToolButton>
#include <cmath>

#include "app/calibration/calibration_clip.h"
#include "app/desktop/keyvane_settings.h"
#include "app/widgets/named.h"
#include "app/widgets/picture_box.h"
#include "app/player/strip_pictures.h"
#include "app/desktop/twips.h"
#include "app/widgets/up_down.h"
#include "subtitles/time_text.h"

namespace cuemark {

namespace {

// The design, in twips.
constexpr double DesignInnerWidth = 9825;
constexpr double DesignInnerHeight = 6240;
constexpr double PanelWidth = 4815;
constexpr double PanelHeight = 2295;
constexpr double StripWidthTwips = StripWidth * StripTwipsPerPixel;
constexpr double StripHeightTwips = StripHeight * StripTwipsPerPixel;
// The strip sits over the player's lower edge (a player with a transport
// bar carries it there instead).
constexpr double DesignStripLeft = 120;
constexpr double DesignStripTop = DesignInnerHeight - PanelHeight - StripHeightTwips - 120;
constexpr double MinimumOuterWidth = 10000;
constexpr double MinimumOuterHeight = 5000;

QString Caption() {
    return QStringLiteral("Cuemark V%1.%2.%3")
        .arg(CUEMARK_VERSION_MAJOR)
        .arg(CUEMARK_VERSION_MINOR)
        .arg(CUEMARK_VERSION_PATCH);
}

// The two panels below the player: one size, one spacing.
QGridLayout* PanelGrid(QWidget* panel, const QWidget* window) {
    panel->setFixedSize(TwipsToPixels(PanelWidth, window), TwipsToPixels(PanelHeight, window));
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);
    return grid;
}

// The frame rate as settings keep it: the user's number format, shortest
// form. Anything unreadable or unusable keeps the rate the program starts with.
double FrameRateFromText(const std::string& text) {
    const QString t = QString::fromStdString(text).trimmed();
    bool ok = false;
    double value = QLocale().toDouble(t, &ok);
    if (!ok) value = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(value) || value <= 10.0 || value >= 50.0) return 25.0;
    return RoundToMs(value);
}

std::string FrameRateText(double rate) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(RoundToMs(rate), 'g', QLocale::FloatingPointShortest).toStdString();
}

} // namespace

frmCuemark::frmCuemark(MediaPlayer* player, WindowServices& services, KeyvaneSettings& settings, QWidget* parent)
    : QWidget(parent), player_(player), services_(services), settings_(settings), files_(Subt, services) {
    setObjectName(QStringLiteral("frmCuemark"));
    buildControls();
    player_->setListener(this);
    Subt.setListener(this);
    Form_Load();
    // Keys reach the window before its controls while it is active.
    qApp->installEventFilter(this);
}

frmCuemark::~frmCuemark() {
    // While every control still exists: the editor reports its closing here.
    if (editor_) editor_->CloseEditor();
    qApp->removeEventFilter(this);
    player_->setListener(nullptr);
    Subt.setListener(nullptr);
}

void frmCuemark::buildControls() {
    setFocusPolicy(Qt::StrongFocus);
    QWidget* view = player_->view();
    view->setParent(this);
    Named(view, "MP",
          QStringLiteral("Right-click for a player options menu, or move the mouse out to get rid of this text"));

    picButtons = Named(new PictureBox(this), "picButtons");
    picButtons->setFixedSize(TwipsToPixels(StripWidthTwips, this), TwipsToPixels(StripHeightTwips, this));
    picButtons->setScaledContents(true);
    stripInTransport_ = player_->embedInTransport(picButtons);
    connect(picButtons, &PictureBox::MouseDown, this, &frmCuemark::picButtons_MouseDown);
    connect(picButtons, &PictureBox::MouseMove, this, &frmCuemark::picButtons_MouseMove);
    connect(picButtons, &PictureBox::MouseUp, this, &frmCuemark::picButtons_MouseUp);

    Timer1 = Named(new QTimer(this), "Timer1");
    Timer1->setInterval(50);
    connect(Timer1, &QTimer::timeout, this, &frmCuemark::Timer1_Timer);
    tmrPosButtons = Named(new QTimer(this), "tmrPosButtons");
    tmrPosButtons->setInterval(750);
    connect(tmrPosButtons, &QTimer::timeout, this, &frmCuemark::tmrPosButtons_Timer);
    tmrUDTime = Named(new QTimer(this), "tmrUDTime");
    tmrUDTime->setInterval(200);
    connect(tmrUDTime, &QTimer::timeout, this, &frmCuemark::tmrUDTime_Timer);

    mnuCalibrate = Named(new QAction(QStringLiteral("Calibrate reaction time\u2026"), this), "mnuCalibrate");
    connect(mnuCalibrate, &QAction::triggered, this, &frmCuemark::mnuCalibrate_Click);
    player_->addOption(mnuCalibrate);
    mnuCompensate = Named(new QAction(this), "mnuCompensate");
    mnuCompensate->setCheckable(true);
    connect(mnuCompensate, &QAction::triggered, this, &frmCuemark::mnuCompensate_Click);
    player_->addOption(mnuCompensate);
    calibrationFolder_ = calibrationFolder();
    buildWaveform();

    buildLeftPanel();
    buildRightPanel();
    connectControls();
}

void frmCuemark::buildLeftPanel() {
    PB = Named(new QWidget(this), "PB");
    QGridLayout* grid = PanelGrid(PB, this);

    Label2 = Named(new QLabel(QStringLiteral("Media:"), PB), "Label2");
    txtAVI = Named(new QLineEdit(PB), "txtAVI",
                   QStringLiteral("Enter the media (AVI, MPG...) file path here, or click the button to browse"));
    cmdBrowseAVI = Named(new QPushButton(QStringLiteral("..."), PB), "cmdBrowseAVI",
                         QStringLiteral("Browse for the media file"));
    Label3 = Named(new QLabel(QStringLiteral("Subtitle:"), PB), "Label3");
    txtSRT = Named(
        new QLineEdit(PB), "txtSRT",
        QStringLiteral("Enter the subtitle (SRT, SMI, SUB) file path here, or click the little button to browse"));
    cmdBrowseSRT = Named(new QPushButton(QStringLiteral("..."), PB), "cmdBrowseSRT",
                         QStringLiteral("Browse for the subtitle file"));
    for (QPushButton* browse : {cmdBrowseAVI, cmdBrowseSRT}) browse->setFixedWidth(TwipsToPixels(420, this));
    Label6 = Named(new QLabel(QStringLiteral("When playing"), PB), "Label6");
    optShow = Named(new QRadioButton(QStringLiteral("View subtitles"), PB), "optShow",
                    QStringLiteral("Show the subtitles like they would occur in a player"));
    optPosition = Named(new QRadioButton(QStringLiteral("Position Subtitles"), PB), "optPosition",
                        QStringLiteral("Show each subtitle ahead of time, and allow for placing it by pressing a key"));
    optShow->setChecked(true);
    cmdSave = Named(new QPushButton(QStringLiteral("Save Subtitles"), PB), "cmdSave",
                    QStringLiteral("Save the current version of the subtitles to a file"));
    cmdEdit = Named(new QPushButton(QStringLiteral("Edit Subtitles"), PB), "cmdEdit",
                    QStringLiteral("Open the subtitle list for editing individual titles or groups"));
    cmdExit = Named(new QPushButton(QStringLiteral("Exit"), PB), "cmdExit", QStringLiteral("Exit Cuemark"));
    cmdSave->setEnabled(false);
    cmdEdit->setEnabled(false);
    layOutLeftPanel(grid);
}

void frmCuemark::buildRightPanel() {
    PB2 = Named(new QWidget(this), "PB2");
    QGridLayout* grid = PanelGrid(PB2, this);

    Label1 = Named(new QLabel(QStringLiteral("Time:"), PB2), "Label1");
    txtTime = Named(
        new QLineEdit(PB2), "txtTime",
        QStringLiteral("Shows current playback position and allows jumping to an exact point in the media"));
    UDTime = Named(new UpDown(PB2), "UDTime");
    Label4 = Named(new QLabel(QStringLiteral("Key:"), PB2), "Label4");
    txtKey = Named(new QLineEdit(QStringLiteral("Space"), PB2), "txtKey",
                   QStringLiteral("Click here to choose another key for title positioning"));
    txtKey->setReadOnly(true);
    txtKey->setFixedWidth(TwipsToPixels(900, this));
    // The key box only shows in positioning mode.
    Label4->hide();
    txtKey->hide();
    cmdBlue = Named(new QToolButton(PB2), "cmdBlue");
    cmdGreen = Named(new QToolButton(PB2), "cmdGreen");
    cmdAdjust = Named(new QToolButton(PB2), "cmdAdjust");
    int which = 1;
    for (QToolButton* b : {cmdBlue, cmdGreen, cmdAdjust}) {
        b->setIcon(ReferenceButtonIcon(which++));
        b->setEnabled(false);
    }
    txtSubtitle = Named(new QPlainTextEdit(PB2), "txtSubtitle",
                        QStringLiteral("Here the subtitles will be shown during playback or positioning"));
    Label5 = Named(new QLabel(QStringLiteral("Next Subtitle:"), PB2), "Label5");
    txtNextSubtitle = Named(new QPlainTextEdit(PB2), "txtNextSubtitle");
    for (QPlainTextEdit* box : {txtSubtitle, txtNextSubtitle}) {
        box->setReadOnly(true);
        box->setLineWrapMode(QPlainTextEdit::NoWrap);
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    cmdSelStart = Named(new QPushButton(QStringLiteral("Sel. Start"), PB2), "cmdSelStart",
                        QStringLiteral("Set playback start to the current slider position"));
    txtSelStart = Named(new QLineEdit(PB2), "txtSelStart", QStringLiteral("Shows the current playback start point"));
    Label7 = Named(new QLabel(QStringLiteral(">>"), PB2), "Label7");
    cmdSelEnd = Named(new QPushButton(QStringLiteral("Sel. End"), PB2), "cmdSelEnd",
                      QStringLiteral("Set playback end to the current slider position"));
    txtSelEnd = Named(new QLineEdit(PB2), "txtSelEnd", QStringLiteral("Shows the current playback end point"));
    Label8 = Named(new QLabel(QStringLiteral(">>"), PB2), "Label8");
    for (QLineEdit* box : {txtSelStart, txtSelEnd}) box->setReadOnly(true);
    layOutRightPanel(grid);
}

void frmCuemark::layOutLeftPanel(QGridLayout* grid) {
    grid->addWidget(Label2, 0, 0);
    grid->addWidget(txtAVI, 0, 1, 1, 2);
    grid->addWidget(cmdBrowseAVI, 0, 3);
    grid->addWidget(Label3, 1, 0);
    grid->addWidget(txtSRT, 1, 1, 1, 2);
    grid->addWidget(cmdBrowseSRT, 1, 3);
    grid->addWidget(Label6, 2, 0, 1, 2);
    grid->addWidget(optShow, 2, 2, 1, 2);
    grid->addWidget(optPosition, 3, 2, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdEdit);
    buttons->addWidget(cmdExit);
    grid->addLayout(buttons, 4, 0, 1, 4);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
}

void frmCuemark::layOutRightPanel(QGridLayout* grid) {
    auto* top = new QHBoxLayout;
    top->setSpacing(3);
    top->addWidget(Label1);
    top->addWidget(txtTime, 1);
    top->addWidget(UDTime);
    top->addSpacing(6);
    top->addWidget(cmdBlue);
    top->addWidget(cmdGreen);
    top->addWidget(cmdAdjust);
    grid->addLayout(top, 0, 0, 1, 5);
    grid->addWidget(txtSubtitle, 1, 0, 1, 5);
    auto* nextRow = new QHBoxLayout;
    nextRow->setSpacing(3);
    nextRow->addWidget(Label5, 1);
    nextRow->addWidget(Label4);
    nextRow->addWidget(txtKey);
    grid->addLayout(nextRow, 2, 0, 1, 5);
    grid->addWidget(txtNextSubtitle, 3, 0, 1, 5);
    grid->addWidget(cmdSelStart, 4, 0);
    grid->addWidget(txtSelStart, 4, 1);
    grid->addWidget(Label7, 4, 2);
    grid->addWidget(cmdSelEnd, 4, 3);
    grid->addWidget(txtSelEnd, 4, 4);
    grid->setRowStretch(1, 3);
    grid->setRowStretch(3, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(4, 1);
    Label8->hide(); // one arrow stands between the two fields in this layout
}

// Every control is made before any handler can run.
void frmCuemark::connectControls() {
    connect(txtAVI, &QLineEdit::textChanged, this, [this] { txtAVI_Change(); });
    connect(txtSRT, &QLineEdit::textChanged, this, [this] { txtSRT_Change(); });
    connect(cmdBrowseAVI, &QPushButton::clicked, this, &frmCuemark::cmdBrowseAVI_Click);
    connect(cmdBrowseSRT, &QPushButton::clicked, this, &frmCuemark::cmdBrowseSRT_Click);
    connect(optPosition, &QRadioButton::clicked, this, [this] {
        Label4->show();
        txtKey->show();
    });
    connect(optShow, &QRadioButton::clicked, this, [this] {
        Label4->hide();
        txtKey->hide();
    });
    connect(cmdSave, &QPushButton::clicked, this, &frmCuemark::cmdSave_Click);
    connect(cmdEdit, &QPushButton::clicked, this, &frmCuemark::cmdEdit_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmCuemark::cmdExit_Click);
    connect(txtTime, &QLineEdit::textChanged, this, [this] { txtTime_Change(); });
    connect(UDTime, &UpDown::UpClick, this, &frmCuemark::UDTime_UpClick);
    connect(UDTime, &UpDown::DownClick, this, &frmCuemark::UDTime_DownClick);
    connect(UDTime, &UpDown::MouseDown, this, &frmCuemark::UDTime_MouseDown);
    connect(UDTime, &UpDown::MouseUp, this, &frmCuemark::UDTime_MouseUp);
    connect(cmdSelStart, &QPushButton::clicked, this, &frmCuemark::cmdSelStart_Click);
    connect(cmdSelEnd, &QPushButton::clicked, this, &frmCuemark::cmdSelEnd_Click);
    connect(cmdBlue, &QToolButton::clicked, this, &frmCuemark::cmdBlue_Click);
    connect(cmdGreen, &QToolButton::clicked, this, &frmCuemark::cmdGreen_Click);
    connect(cmdAdjust, &QToolButton::clicked, this, &frmCuemark::cmdAdjust_Click);
    txtKey->installEventFilter(this);
}

void frmCuemark::Form_Load() {
    setWindowTitle(Caption());
    // The design: inner size, centred on the screen the first time.
    resize(TwipsToPixels(DesignInnerWidth, this), TwipsToPixels(DesignInnerHeight, this));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    // The strip keeps its design distance from the player's lower left corner.
    StripBottomOffset = DesignInnerHeight - PanelHeight - DesignStripTop;
    StripLeftOffset = DesignStripLeft;
    picButtons->setEnabled(false);
    showStripPicture(1);

    const int left = settings_.GetDword("Left", WholeTwips(x(), this));
    move(TwipsToPixels(left, this), y());
    const int top = settings_.GetDword("Top", WholeTwips(y(), this));
    move(x(), TwipsToPixels(top, this));
    const int width = settings_.GetDword("Width", WholeTwips(this->width(), this));
    resize(TwipsToPixels(width, this), height());
    const int height = settings_.GetDword("Height", WholeTwips(this->height(), this));
    resize(this->width(), TwipsToPixels(height, this));
    dialogFileName_ = settings_.GetString("MRU", "");
    files_.FrameRate = FrameRateFromText(settings_.GetString("LastFrameRate", "25"));
    lags_ = saneLags(settings_.GetDword("PressLag", 0), settings_.GetDword("ReleaseLag", 0));
    compensate_ = settings_.GetDword("Compensate", 0) == 1;
    showCompensation();
    readWaveSettings();

    Form_Resize();
    placePlayerAndStrip();
    ActionKey = 32;
    subtitlesChanged_ = false;
    loaded_ = true;
}

void frmCuemark::placePlayerAndStrip() {
    QWidget* view = player_->view();
    view->setGeometry(0, 0, this->width(), playerHeight());
    if (stripInTransport_) return;
    picButtons->move(TwipsToPixels(StripLeftOffset, this), view->height() - TwipsToPixels(StripBottomOffset, this));
    picButtons->raise();
}

void frmCuemark::Form_Resize() {
    if (isMinimized()) return;
    const QRect outer = frameGeometry();
    const int frameWidth = outer.width() - this->width();
    const int frameHeight = outer.height() - this->height();
    if (PixelsToTwips(outer.width(), this) < MinimumOuterWidth - 0.5) {
        resize(TwipsToPixels(MinimumOuterWidth, this) - frameWidth, this->height());
        return;
    }
    if (PixelsToTwips(outer.height(), this) < MinimumOuterHeight - 0.5) {
        resize(this->width(), TwipsToPixels(MinimumOuterHeight, this) - frameHeight);
        return;
    }
    PB->move(PB->x(), this->height() - PB->height());
    if (PB->width() + PB2->width() < this->width()) {
        PB->move(0, PB->y());
        PB2->move(PB->width(), PB->y());
    } else {
        PB2->move(PB->pos());
    }
    layOutWaveform();
    QWidget* view = player_->view();
    if (stripInTransport_) return;
    const int stripBottom = TwipsToPixels(StripBottomOffset, this);
    if (view->height() >= stripBottom) picButtons->move(picButtons->x(), view->height() - stripBottom);
    picButtons->raise();
}

void frmCuemark::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (loaded_) Form_Resize();
}

void frmCuemark::closeEvent(QCloseEvent* event) {
    if (!Form_QueryUnload()) {
        event->ignore();
        return;
    }
    writeSettings();
    // Closed on purpose, saved or not: nothing is left to recover.
    if (sessionKeeper_) sessionKeeper_->finish();
    event->accept();
}

bool frmCuemark::Form_QueryUnload() {
    if (editor_) editor_->CloseEditor();
    if (subtitlesChanged_) {
        const MessageAnswer answer = services_.MessageBox("Save subtitles?", MessageButtons::YesNo, MessageIcon::None);
        if (answer == MessageAnswer::Yes && !SaveSubtitles()) return false;
    }
    return true;
}

void frmCuemark::writeSettings() {
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        settings_.SetDword("Left", WholeTwips(x(), this));
        settings_.SetDword("Top", WholeTwips(y(), this));
        settings_.SetDword("Width", WholeTwips(width(), this));
        settings_.SetDword("Height", WholeTwips(height(), this));
    }
    settings_.SetString("LastFrameRate", FrameRateText(files_.FrameRate));
    settings_.SetString("MRU", dialogFileName_);
    settings_.SetDword("PressLag", lags_.pressMs);
    settings_.SetDword("ReleaseLag", lags_.releaseMs);
    settings_.SetDword("Compensate", compensate_ ? 1 : 0);
    settings_.SetDword("WaveShown", waveShown_ ? 1 : 0);
    settings_.SetDword("WaveHeight", waveHeightTwips_);
}

void frmCuemark::UndoPossible(bool Status) {
    if (editor_) editor_->SetUndoButtonEnabled(Status);
}

void frmCuemark::UndoChangedListLength() {
    if (editor_) editor_->LoadList();
}

void frmCuemark::EditorOpened(EditorLink* editor) {
    editor_ = editor;
    cmdEdit->setEnabled(false);
    refreshReferenceButtons();
}

void frmCuemark::EditorClosed() {
    editor_ = nullptr;
    cmdEdit->setEnabled(true);
    refreshReferenceButtons();
}

void frmCuemark::refreshReferenceButtons() {
    const bool enabled = AVIFileOK && editor_ != nullptr;
    cmdBlue->setEnabled(enabled);
    cmdGreen->setEnabled(enabled);
    cmdAdjust->setEnabled(enabled);
}

void frmCuemark::cmdExit_Click() {
    close();
}

} // namespace cuemark
