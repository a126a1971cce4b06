#include "sim/value_file_input.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <istream>
#include <sstream>

#include "app/faults.h"
#include "report/format.h"
#include "sim/param_table.h"
#include "widgets/numeric_text.h"

namespace zelvar {

namespace {

struct Key {
    const char* name;
    long double SimParams::*field;
};

// The entries of the parameter table that the value file holds, in order.
constexpr int count_keys() {
    int n = 0;
    for (const ParamSpec& p : kParamTable)
        if (p.value_key != nullptr) ++n;
    return n;
}
constexpr int kKeyCount = count_keys();

struct Keys {
    Key key[kKeyCount];
};
constexpr Keys make_keys() {
    Keys keys{};
    int n = 0;
    for (const ParamSpec& p : kParamTable)
        if (p.value_key != nullptr) keys.key[n++] = Key{p.value_key, p.real};
    return keys;
}
constexpr Keys kKeyTable = make_keys();
constexpr const Key (&kKeys)[kKeyCount] = kKeyTable.key;

// "C1, L1, …, k12 and fin".
std::string key_list() {
    std::string list;
    for (int k = 0; k < kKeyCount; ++k) {
        if (k > 0) list += k + 1 == kKeyCount ? " and " : ", ";
        list += kKeys[k].name;
    }
    return list;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// A value file holds eight short lines; anything far larger (a device such
// as /dev/zero, a file chosen by mistake) is refused rather than read on.
constexpr std::size_t kMaxLineLength = 200;
constexpr std::int32_t kMaxLines = 1000;

// Reads the next line (without its '\n') into `line`; false at the end of
// the input.  A line longer than kMaxLineLength is cut there and `too_long`
// set.
bool read_line(std::istream& in, std::string& line, bool& too_long) {
    line.clear();
    too_long = false;
    std::streambuf* buf = in.rdbuf();
    for (;;) {
        const int c = buf->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            in.setstate(std::ios::eofbit);
            return !line.empty();
        }
        if (c == '\n') return true;
        if (line.size() == kMaxLineLength) {
            too_long = true;
            return true;
        }
        line += static_cast<char>(c);
    }
}

// The length of the valid UTF-8 sequence at text[i] (0 when none begins
// there).
std::size_t utf8_length(const std::string& text, std::size_t i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t n = 0;
    if (c >= 0xC2 && c <= 0xDF)
        n = 2;
    else if (c >= 0xE0 && c <= 0xEF)
        n = 3;
    else if (c >= 0xF0 && c <= 0xF4)
        n = 4;
    if (n == 0 || i + n > text.size()) return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
    const unsigned char d = static_cast<unsigned char>(text[i + 1]);
    if ((c == 0xE0 && d < 0xA0) || (c == 0xED && d > 0x9F) || (c == 0xF0 && d < 0x90) || (c == 0xF4 && d > 0x8F))
        return 0;  // overlong, a surrogate, or beyond U+10FFFF
    return n;
}

// Text of the file as a message shows it: at most 40 bytes, a control
// character or a byte that is not part of a UTF-8 character as '?', so a
// binary or Latin-1 file puts no unreadable byte on the terminal.
std::string shown(const std::string& text) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        std::size_t n = c < 0x80 ? 1 : utf8_length(text, i);
        if (out.size() + std::max<std::size_t>(n, 1) > 40) break;
        if (n == 0 || c < 0x20 || c == 0x7f) {
            out += '?';
            i += std::max<std::size_t>(n, 1);
        } else {
            out.append(text, i, n);
            i += n;
        }
    }
    return i < text.size() ? out + "..." : out;
}

// The file's bytes, at most `limit` of them.  A value file is a regular
// file, or a pipe with data waiting (`--values <(...)`, a FIFO someone
// writes to): anything else (a device, a folder, a FIFO without a writer,
// which would wait for ever) is refused.
std::string read_value_bytes(const std::string& path, std::size_t limit) {
    const auto fail = [&](const std::string& reason) -> std::string {
        throw Error("Value file " + path + " cannot be read: " + reason);
    };
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) fail(std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st;
    if (::fstat(fd, &st) != 0) fail(std::strerror(errno));
    if (S_ISDIR(st.st_mode)) fail(std::strerror(EISDIR));
    if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) {
        pollfd p{fd, POLLIN, 0};
        int ready;
        do ready = ::poll(&p, 1, 2000);
        while (ready < 0 && errno == EINTR);
        if (ready <= 0 || (p.revents & POLLIN) == 0)
            fail("a pipe with nothing written to it; a value file is a file, or a pipe with data");
    } else if (!S_ISREG(st.st_mode)) {
        fail("not a file; a value file is a file, or a pipe with data");
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) fail(std::strerror(errno));
    std::string bytes;
    char buf[8192];
    while (bytes.size() < limit) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(std::strerror(errno));
        }
        if (n == 0) break;
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    return bytes;
}

}  // namespace

void read_value_file(const std::string& path, SimParams& params) {
    // Enough for kMaxLines lines of kMaxLineLength characters and one more
    // line, where the checks below stop.
    std::string bytes = read_value_bytes(path, (kMaxLines + 1) * (kMaxLineLength + 2));
    // A UTF-8 byte-order mark (an editor's) is no part of the first key.
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
    std::istringstream in(bytes);
    long double values[kKeyCount] = {};
    bool seen[kKeyCount] = {};
    std::string line;
    std::int32_t number = 0;
    bool too_long = false;
    const auto next_line = [&] {
        try {
            return read_line(in, line, too_long);
        } catch (const std::ios_base::failure&) {  // the file buffer's read error
            throw Error("Value file " + path + " cannot be read: " + std::strerror(errno));
        }
    };
    while (next_line()) {
        number = iadd(number, 1);
        const std::string where = "Value file " + path + ", line " + I(number) + ": ";
        if (too_long) throw Error(where + "longer than " + std::to_string(kMaxLineLength) + " characters");
        if (number > kMaxLines)
            throw Error("Value file " + path + ": more than " + std::to_string(kMaxLines) + " lines");
        while (!line.empty() && (line.back() == '\r' || is_blank(line.back()))) line.pop_back();
        std::size_t pos = 0;
        while (pos < line.size() && is_blank(line[pos])) ++pos;
        if (pos == line.size()) continue;
        std::size_t key_end = pos;
        while (key_end < line.size() && !is_blank(line[key_end])) ++key_end;
        const std::string key = line.substr(pos, key_end - pos);
        if (key_end == line.size()) throw Error(where + "no number after " + shown(key));
        int k = 0;
        while (k < kKeyCount && key != kKeys[k].name) ++k;
        if (k == kKeyCount)
            throw Error(where + "unknown key " + shown(key) + "; the keys are " + key_list());
        if (seen[k]) throw Error(where + key + " given twice");
        std::size_t num = key_end;
        while (is_blank(line[num])) ++num;
        const std::string text = line.substr(num);
        try {
            values[k] = parse_real(text);
        } catch (const Error& e) {
            if (e.what() == not_a_number_message(text)) throw Error(where + not_a_number_message(shown(text)));
            throw Error(where + e.what());
        }
        seen[k] = true;
    }
    if (in.bad()) throw Error("Value file " + path + " cannot be read: " + std::strerror(errno));
    for (int k = 0; k < kKeyCount; ++k)
        if (!seen[k]) throw Error("Value file " + path + ": no line for " + kKeys[k].name);
    for (int k = 0; k < kKeyCount; ++k) params.*kKeys[k].field = values[k];
}

}  // namespace zelvar
