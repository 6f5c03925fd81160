#include "app/widgets/time_box.h"

#include "subtitles/time_text.h"

namespace cuemark {

std::string TimeBoxText(double t) {
    try {
        return TimeToText(t);
    } catch (const TimeOverflow&) {
        return {};
    }
}

} // namespace cuemark
