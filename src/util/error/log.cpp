#include "util/error/log.h"

#include <cstdio>

#include "platform/win32/kernel.h"

std::string log_time_stamp()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d:%03d", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    return stamp;
}

void log_line(const std::string& text)
{
    std::printf("%s %s\n", log_time_stamp().c_str(), text.c_str());
    std::fflush(stdout);
}

void log_format(const std::string& format_text)
{
    std::printf("%s ", log_time_stamp().c_str());
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-security"
    std::printf(format_text.c_str());
#pragma GCC diagnostic pop
    std::fflush(stdout);
}
