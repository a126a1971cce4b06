#include "sim/sample_csv.h"

#include <charconv>
#include <cstring>
#include <sstream>

#include "app/atomic_file.h"
#include "sim/channels.h"

namespace zelvar {

std::string csv_real(long double x) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 20);
    return std::string(buf, res.ptr);
}

void write_sample_csv(std::ostream& out, const SampleStore& store) {
    std::string header = "t";
    for (const Channel& c : kChannels) header += std::string(",") + c.csv_name;
    out << header << '\n';
    for (std::int32_t i = 0; i < store.count(); ++i) {
        std::string row = csv_real(store.time[i]);
        for (int v = 0; v < 8; ++v) {
            row += ',';
            row += csv_real(store.values[i][v]);
        }
        row += '\n';
        out << row;
    }
}

void write_sample_csv_file(const std::string& path, const SampleStore& store) {
    std::ostringstream text;
    write_sample_csv(text, store);
    write_named_file("CSV", path, text.str());
}

}  // namespace zelvar
