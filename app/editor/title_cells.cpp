#include "app/editor/title_cells.h"

#include <QLocale>

#include "app/widgets/time_box.h"
#include "subtitles/store.h"
#include "subtitles/time_text.h"

namespace cuemark {

namespace {

const QChar ReturnSymbol(0x23CE);

} // namespace

QString TextCellDisplay(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace(QLatin1String("\r\n"), QString(ReturnSymbol));
    shown.replace(QLatin1Char('\r'), ReturnSymbol);
    shown.replace(QLatin1Char('\n'), ReturnSymbol);
    return shown;
}

std::string TextFromCellEditor(const QString& edited) {
    QString text = edited;
    text.replace(ReturnSymbol, QLatin1String("\r\n"));
    return text.toStdString();
}

std::string StartCellText(double start) {
    return TimeBoxText(start);
}

std::string DurationCellText(double duration) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(duration, 'g', 15).toStdString();
}

std::string DurationCellText(double start, double end) {
    return DurationCellText(RoundToMs(end - start));
}

std::string CellText(const SUBTITLES& Subt, std::int32_t ix, TitleColumn column) {
    switch (column) {
    case TextColumn: return Subt.Text(ix);
    case StartColumn: return StartCellText(Subt.StartTime(ix));
    case DurationColumn: break;
    }
    return DurationCellText(Subt.StartTime(ix), Subt.EndTime(ix));
}

} // namespace cuemark
