#include "core/TextFormat.h"

#include <ctime>

WString FormatByteSize(uint64_t bytes) {
    WString text;
    const double value = static_cast<double>(bytes);
    if (bytes < 1024)
        text.Format(L"%uB", static_cast<unsigned>(bytes));
    else if (bytes < 0x100000)
        text.Format(L"%.1lfKB", value / 1024.0);
    else if (bytes < 0x40000000)
        text.Format(L"%.1lfMB", value / 1048576.0);
    else
        text.Format(L"%.1lfGB", value / 1073741824.0);
    return text;
}

void FormatThousands(WString& text) {
    const int length = text.GetLength();
    if (length == 0) return;
    const wchar_t* src = text.GetString();
    WString out;
    int start = 0;
    if (src[0] == L'-') {  // keep the sign in front of the grouped digits
        out.Append(src, 1);
        start = 1;
    }
    int digits = length - start;
    const int dot = text.Find(L".", start);
    if (dot >= 0) digits = dot - start;
    if (digits <= 0) return;
    out.Append(src + start, 1);
    int counter = 4 - (digits % 3);
    for (int i = start + 1; i < start + digits; ++i, ++counter) {
        if (counter % 3 == 0) out.Append(L",", 1);
        out.Append(src + i, 1);
    }
    out.Append(src + start + digits, length - start - digits);
    text = static_cast<WString&&>(out);
}

WString FormatInt64WithThousands(int64_t value) {
    WString text;
    text.Format(L"%I64d", value);
    FormatThousands(text);
    return text;
}

WString FormatDuration(uint64_t ticks) {
    WString text;
    // Compared in ticks so that huge inputs cannot overflow the nanoseconds.
    if (ticks < 10) {
        text.Format(L"%uns", static_cast<unsigned>(ticks * 100));
    } else if (ticks < 10000) {
        text.Format(L"%uus", static_cast<unsigned>(ticks / 10));
    } else if (ticks < 10000000) {
        text.Format(L"%ums", static_cast<unsigned>(ticks / 10000));
    } else {
        const uint64_t ms = ticks / 10000;
        const uint64_t hours = ms / 3600000;
        const unsigned minutes = static_cast<unsigned>(ms % 3600000 / 60000);
        const unsigned seconds = static_cast<unsigned>(ms % 60000 / 1000);
        const unsigned millis = static_cast<unsigned>(ms % 1000);
        if (hours > 0)
            text.Format(L"%I64u小时,%u分钟,%u秒", hours, minutes, seconds);
        else if (minutes > 0)
            text.Format(L"%u分钟,%u秒", minutes, seconds);
        else
            text.Format(L"%u秒,%u毫秒", seconds, millis);
    }
    return text;
}

WString FormatTimeT(int64_t seconds) {
    WString text;
    __time64_t t = seconds;
    struct tm* local = _localtime64(&t);
    if (!local) return text;
    text.Format(L"%02d/%02d/%d %02d:%02d:%02d", local->tm_mon + 1, local->tm_mday, local->tm_year + 1900,
                local->tm_hour, local->tm_min, local->tm_sec);
    return text;
}
