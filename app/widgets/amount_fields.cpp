#include "app/widgets/amount_fields.h"

#include <QLineEdit>
#include <algorithm>
#include <cmath>

#include "subtitles/rounding.h"

namespace cuemark {

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// End of the number that starts at `from`: a sign, digits, a separator and
// more digits. `digits` tells whether any digit was met.
qsizetype numberEnd(const QString& text, qsizetype from, bool& digits) {
    qsizetype i = from;
    digits = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ++i;
    for (; i < text.size() && isDigit(text[i]); ++i) digits = true;
    if (i < text.size() && (text[i] == u'.' || text[i] == u',')) {
        for (++i; i < text.size() && isDigit(text[i]); ++i) digits = true;
    }
    return i;
}

std::optional<double> toNumber(QString text) {
    bool ok = false;
    const double value = text.replace(u',', u'.').toDouble(&ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

} // namespace

double FieldNumber(const QString& text) {
    qsizetype start = 0;
    while (start < text.size() && (text[start] == u' ' || text[start] == u'\t')) ++start;
    bool digits = false;
    const qsizetype end = numberEnd(text, start, digits);
    if (!digits) return 0.0;
    return toNumber(text.mid(start, end - start)).value_or(0.0);
}

std::optional<double> ExactFieldNumber(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) return 0.0;
    bool digits = false;
    if (numberEnd(trimmed, 0, digits) != trimmed.size() || !digits) return std::nullopt;
    return toNumber(trimmed);
}

QString SecondsText(double seconds) {
    // + 0.0 turns a negative zero into "0.000" rather than "-0.000".
    return QString::number(seconds + 0.0, 'f', 3);
}

QString MinutesText(double minutes) {
    return QString::number(minutes + 0.0, 'g', 15);
}

AmountFields::AmountFields(QLineEdit* txtMin, QLineEdit* txtSec, SecondsOverflow overflow)
    : txtMin_(txtMin), txtSec_(txtSec), overflow_(overflow) {}

void AmountFields::minutesChanged() {
    // Halves go to the even neighbour; a fraction in range stays as typed.
    const double minutes = RoundHalfEven(FieldNumber(txtMin_->text()));
    if (minutes < 0) txtMin_->setText("0");
    if (minutes > MaxMinutes) txtMin_->setText(MinutesText(MaxMinutes));
}

void AmountFields::secondsChanged() {
    const double seconds = FieldNumber(txtSec_->text());
    if (seconds < 0) {
        txtSec_->setText(SecondsText(0));
    } else if (seconds >= 60) {
        if (overflow_ == SecondsOverflow::StopBelowSixty) {
            txtSec_->setText("59.999");
            return;
        }
        const double whole = std::floor(seconds / 60);
        txtMin_->setText(MinutesText(FieldNumber(txtMin_->text()) + whole));
        txtSec_->setText(SecondsText(seconds - 60 * whole));
    }
}

void AmountFields::stepMinutes(int direction) {
    const double minutes = RoundHalfEven(FieldNumber(txtMin_->text()) + direction);
    // The up button stops at 3599.
    if (direction < 0 ? minutes >= 0 : minutes < MaxMinutes) txtMin_->setText(MinutesText(minutes));
}

void AmountFields::stepSeconds(int direction) {
    const double seconds = FieldNumber(txtSec_->text()) + 0.1 * direction;
    if (direction < 0 ? seconds >= 0 : seconds < 60) txtSec_->setText(SecondsText(seconds));
}

double AmountFields::amount() const {
    return FieldNumber(txtMin_->text()) * 60 + FieldNumber(txtSec_->text());
}

void AmountFields::limitTo(double seconds) {
    if (amount() <= seconds) return;
    // A first title already before 0 leaves nothing to move toward the beginning.
    const double limit = std::max(seconds, 0.0);
    const double minutes = std::floor(limit / 60);
    txtMin_->setText(MinutesText(minutes));
    txtSec_->setText(SecondsText(limit - 60 * minutes));
}

AmountReading AmountFields::read() const {
    const std::optional<double> minutes = ExactFieldNumber(txtMin_->text());
    if (!minutes || *minutes < 0 || *minutes > MaxMinutes)
        return {std::nullopt, "Please enter the minutes as a number from 0 to 3600."};
    const std::optional<double> seconds = ExactFieldNumber(txtSec_->text());
    if (!seconds || *seconds < 0 || *seconds >= 60)
        return {std::nullopt, "Please enter the seconds as a number from 0 up to below 60, such as 12.5."};
    return {*minutes * 60 + *seconds, {}};
}

} // namespace cuemark
