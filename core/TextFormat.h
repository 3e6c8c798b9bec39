// Small text formatters shared by the dialogs, the download list and the
// game-exit report.
#pragma once

#include <cstdint>

#include "core/WString.h"

// "1023B", "1.0KB", "1.5MB", "1.0GB".
WString FormatByteSize(uint64_t bytes);
// Inserts "," between groups of three integer digits; the fraction after the
// first "." is left alone.
void FormatThousands(WString& text);
WString FormatInt64WithThousands(int64_t value);
// ticks of 100 ns, as process times come from the system.
WString FormatDuration(uint64_t ticks);
// Local time as "MM/DD/YYYY hh:mm:ss"; empty when it cannot be converted.
WString FormatTimeT(int64_t seconds);
