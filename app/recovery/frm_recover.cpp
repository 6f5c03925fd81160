#include "app/recovery/frm_recover.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace cuemark {

QString SessionLine(const session::CrashedSession& session) {
    const QString name = session.details.subtitleFile.empty() ? QStringLiteral("(new file)")
                                                              : QString::fromStdString(session.details.subtitleFile);
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(session.lastChange.time_since_epoch());
    const QString when = QDateTime::fromSecsSinceEpoch(seconds.count()).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    const QString titles = session.changedTitles == 1 ? QStringLiteral("1 title changed")
                                                      : QStringLiteral("%1 titles changed").arg(session.changedTitles);
    return QStringLiteral("%1 \u2014 last change %2 \u2014 %3").arg(name, when, titles);
}

frmRecover::frmRecover(session::CrashedSessions& sessions, QWidget* parent)
    : QDialog(parent), sessions_(sessions), discarded_(sessions.sessions().size(), false) {
    setObjectName(QStringLiteral("frmRecover"));
    setWindowTitle(QStringLiteral("Recover unsaved work"));
    auto* text = new QLabel(QStringLiteral("Cuemark ended without saving these subtitles:"), this);
    lstSessions = new QListWidget(this);
    lstSessions->setObjectName(QStringLiteral("lstSessions"));
    cmdRecover = new QPushButton(QStringLiteral("Recover"), this);
    cmdRecover->setObjectName(QStringLiteral("cmdRecover"));
    cmdRecover->setDefault(true);
    cmdDiscard = new QPushButton(QStringLiteral("Discard"), this);
    cmdDiscard->setObjectName(QStringLiteral("cmdDiscard"));
    cmdLater = new QPushButton(QStringLiteral("Later"), this);
    cmdLater->setObjectName(QStringLiteral("cmdLater"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdRecover);
    buttons->addWidget(cmdDiscard);
    buttons->addWidget(cmdLater);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(lstSessions);
    layout->addLayout(buttons);

    connect(cmdRecover, &QPushButton::clicked, this, &frmRecover::cmdRecover_Click);
    connect(cmdDiscard, &QPushButton::clicked, this, &frmRecover::cmdDiscard_Click);
    connect(cmdLater, &QPushButton::clicked, this, &frmRecover::cmdLater_Click);
    connect(lstSessions, &QListWidget::itemDoubleClicked, this, &frmRecover::cmdRecover_Click);
    fillList();
    resize(560, 240);
}

void frmRecover::fillList() {
    lstSessions->clear();
    rows_.clear();
    for (size_t i = 0; i < sessions_.sessions().size(); ++i) {
        if (discarded_[i]) continue;
        auto* item = new QListWidgetItem(SessionLine(sessions_.sessions()[i]), lstSessions);
        item->setToolTip(QString::fromStdString(sessions_.sessions()[i].details.subtitleFile));
        rows_.push_back(i);
    }
    if (!rows_.empty()) lstSessions->setCurrentRow(0);
    cmdRecover->setEnabled(!rows_.empty());
    cmdDiscard->setEnabled(!rows_.empty());
}

std::optional<size_t> frmRecover::selected() const {
    const int row = lstSessions->currentRow();
    if (row < 0 || row >= static_cast<int>(rows_.size())) return std::nullopt;
    return rows_[static_cast<size_t>(row)];
}

void frmRecover::cmdRecover_Click() {
    chosen_ = selected();
    if (chosen_) accept();
}

void frmRecover::cmdDiscard_Click() {
    const std::optional<size_t> session = selected();
    if (!session) return;
    sessions_.discard(*session);
    discarded_[*session] = true;
    fillList();
    // Nothing left to decide.
    if (rows_.empty()) reject();
}

void frmRecover::cmdLater_Click() {
    reject();
}

} // namespace cuemark
