// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The report log's line writer.
//
// A report line is 8-bit Latin-1 text.  report_line() raises any pending
// arithmetic fault first (so that no line follows a fault), cuts the text to
// its first 255 characters and appends it through the sink.
#include <string>
#include <vector>

namespace zelvar {

inline constexpr std::size_t kMaxLineLength = 255;

// Where report lines go: the design window's log, standard output, a test.
class ReportSink {
public:
    virtual ~ReportSink() = default;
    virtual void append_line(const std::string& latin1) = 0;
};

// Keeps the lines; for the command line and the tests.
class LineCollector : public ReportSink {
public:
    void append_line(const std::string& latin1) override { lines.push_back(latin1); }
    std::vector<std::string> lines;
};

void report_line(ReportSink& log, std::string line);

}  // namespace zelvar
