// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/report_log.h"

#include "app/faults.h"

namespace zelvar {

void report_line(ReportSink& log, std::string line) {
    fp_check();
    if (line.size() > kMaxLineLength) line.resize(kMaxLineLength);
    log.append_line(line);
}

}  // namespace zelvar
