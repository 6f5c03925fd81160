#pragma once
// The minutes and seconds fields of an amount (shift dialog, stretch
// dialog's "Specify Amount"): their corrections while typing, the up-down
// steps, and the reading at OK.

#include <QString>
#include <optional>
#include <string>

class QLineEdit;

namespace cuemark {

// What the seconds field does at 60 or more.
enum class SecondsOverflow { CarryIntoMinutes, StopBelowSixty };

// The number at the start of a field, with a full stop or a comma before
// the fraction; 0 when the field does not begin with one.
double FieldNumber(const QString& text);
// The whole field as a number; an empty field reads 0; nothing when the
// field holds anything else.
std::optional<double> ExactFieldNumber(const QString& text);
// Seconds as the fields show them: "0.000".
QString SecondsText(double seconds);
QString MinutesText(double minutes);

struct AmountReading {
    std::optional<double> seconds; // minutes x 60 + seconds
    std::string refusal;           // why there is none, for the user
};

class AmountFields {
public:
    static constexpr double MaxMinutes = 3600;

    AmountFields(QLineEdit* txtMin, QLineEdit* txtSec, SecondsOverflow overflow);

    // txtMin_Change, txtSec_Change.
    void minutesChanged();
    void secondsChanged();
    // The up-down steps: direction +1 up, -1 down.
    void stepMinutes(int direction);
    void stepSeconds(int direction);

    // The amount as the fields read while typing.
    double amount() const;
    // Brings an amount above `seconds` down to it.
    void limitTo(double seconds);
    // The amount for OK; fields that are not numbers in range are refused.
    AmountReading read() const;

private:
    QLineEdit* txtMin_;
    QLineEdit* txtSec_;
    SecondsOverflow overflow_;
};

} // namespace cuemark
