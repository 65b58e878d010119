// A reader for the one shape of the truth file, checking every byte against that shape.
#include "truth.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>

namespace cid_tools {

namespace {

class reader {
public:
    explicit reader(const std::string& text) : text_(text) {}

    [[noreturn]] void fail(const std::string& what) const {
        throw truthError("byte " + std::to_string(position_) + ": " + what);
    }

    void skipSpace() {
        while (position_ < text_.size() && (text_[position_] == ' ' || text_[position_] == '\n' ||
                                            text_[position_] == '\r' || text_[position_] == '\t')) {
            ++position_;
        }
    }

    // Steps over c, and the white space before it, if c comes next.
    bool take(char c) {
        skipSpace();
        if (position_ == text_.size() || text_[position_] != c) return false;
        ++position_;
        return true;
    }

    void expect(char c) {
        if (!take(c)) fail(std::string("expected '") + c + "'");
    }

    bool atEnd() {
        skipSpace();
        return position_ == text_.size();
    }

    std::string string() {
        expect('"');
        const size_t end = text_.find('"', position_);
        if (end == std::string::npos) fail("unterminated string");
        for (size_t i = position_; i < end; ++i) {
            if (text_[i] == '\\' || static_cast<unsigned char>(text_[i]) < 0x20) {
                position_ = i;
                fail("escape or control character in a string");
            }
        }
        std::string value = text_.substr(position_, end - position_);
        position_ = end + 1;
        return value;
    }

    double number() {
        skipSpace();
        const size_t start = position_;
        const std::string numberCharacters = "+-.eE0123456789";
        while (position_ < text_.size() &&
               numberCharacters.find(text_[position_]) != std::string::npos) {
            ++position_;
        }
        double value = 0;
        const char* end = text_.data() + position_;
        const auto result = std::from_chars(text_.data() + start, end, value);
        if (start == position_ || result.ec != std::errc() || result.ptr != end ||
            !std::isfinite(value)) {
            fail("expected a finite number");
        }
        return value;
    }

    int32_t count() {
        const double value = number();
        if (value != std::floor(value) || value < 1 || value > 1e6) {
            fail("module counts are positive integers");
        }
        return static_cast<int32_t>(value);
    }

private:
    const std::string& text_;
    size_t position_ = 0;
};

// One entry, token by token: S a string, N a number, I a module count, a quoted word that member
// name, and any other character itself.
constexpr char kEntryShape[] =
    R"(S:{"kind":S,"corners":[[N,N],[N,N],[N,N],[N,N]],"modules":[I,I],"data":S})";

truthEntry readEntry(reader& in) {
    std::vector<std::string> strings;
    std::vector<double> numbers;
    std::vector<int32_t> counts;
    for (const char* token = kEntryShape; *token; ++token) {
        if (*token == 'S') {
            strings.push_back(in.string());
        } else if (*token == 'N') {
            numbers.push_back(in.number());
        } else if (*token == 'I') {
            counts.push_back(in.count());
        } else if (*token == '"') {
            const std::string name(token + 1, std::strchr(token + 1, '"'));
            if (in.string() != name) in.fail("expected the member \"" + name + "\"");
            token += name.size() + 1;
        } else {
            in.expect(*token);
        }
    }
    truthEntry e{strings[0], strings[1], {}, counts[0], counts[1], strings[2]};
    if (e.kind != "datamatrix" && e.kind != "pdf417") in.fail("unknown kind " + e.kind);
    for (size_t i = 0; i < e.corners.size(); ++i)
        e.corners[i] = {numbers[2 * i], numbers[2 * i + 1]};
    return e;
}

}  // namespace

std::vector<truthEntry> parseTruth(const std::string& text) {
    reader in(text);
    std::vector<truthEntry> entries;
    std::set<std::string> names;
    in.expect('{');
    do {
        entries.push_back(readEntry(in));
        if (!names.insert(entries.back().name).second) in.fail(entries.back().name + " twice");
    } while (in.take(','));
    in.expect('}');
    if (!in.atEnd()) in.fail("text after the end of the object");
    return entries;
}

std::vector<truthEntry> readTruth(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw truthError(path + ": cannot open");
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    try {
        return parseTruth(text);
    } catch (const truthError& error) {
        throw truthError(path + ": " + error.what());
    }
}

}  // namespace cid_tools
