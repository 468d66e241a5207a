// Log lines on standard output, each prefixed with the local time stamp
// "YYYY-MM-DD HH:MM:SS:mmm" and one blank.
#pragma once

#include <string>

// The time stamp of now, without the trailing blank.
std::string log_time_stamp();

// Prints the stamp, a blank, the text and a line break. The text is printed as it is.
void log_line(const std::string& text);

// Prints the stamp and a blank, then the text used as a printf format (so "%%" prints as
// one percent sign). The text brings its own line break. This is how the data layer logs.
void log_format(const std::string& format_text);
