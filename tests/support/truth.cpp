// A JSON reader for exactly the truth format, no more: strict JSON syntax (RFC 8259) for the
// parts it uses, and the shape of the format checked as it reads.
#include "truth.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <set>

namespace cid_test {

namespace {

class truthParser {
public:
    explicit truthParser(const std::string& text) : text_(text) {}

    std::vector<truthEntry> parse() {
        std::vector<truthEntry> entries;
        std::set<std::string> names;
        parseObject([&](const std::string& name) {
            if (!names.insert(name).second) fail("image \"" + name + "\" listed twice");
            entries.push_back(parseEntry(name));
        });
        skipSpace();
        if (position_ != text_.size()) fail("text after the end of the object");
        return entries;
    }

private:
    [[noreturn]] void fail(const std::string& what) const {
        int line = 1;
        int column = 1;
        for (size_t i = 0; i < position_ && i < text_.size(); ++i) {
            column = text_[i] == '\n' ? 1 : column + 1;
            line += text_[i] == '\n';
        }
        throw truthError("line " + std::to_string(line) + ", column " + std::to_string(column) +
                         ": " + what);
    }

    void skipSpace() {
        while (position_ < text_.size() && (text_[position_] == ' ' || text_[position_] == '\t' ||
                                            text_[position_] == '\n' || text_[position_] == '\r')) {
            ++position_;
        }
    }

    bool takeIf(char c) {
        skipSpace();
        if (position_ < text_.size() && text_[position_] == c) {
            ++position_;
            return true;
        }
        return false;
    }

    void expect(char c) {
        if (!takeIf(c)) fail(std::string("expected '") + c + "'");
    }

    // '{' [member (',' member)*] '}', each member a string, ':' and a value read by onMember.
    template <class memberReader>
    void parseObject(memberReader onMember) {
        expect('{');
        if (takeIf('}')) return;
        do {
            skipSpace();
            const std::string key = parseString();
            expect(':');
            onMember(key);
        } while (takeIf(','));
        expect('}');
    }

    // '[' [value (',' value)*] ']'; returns the count of values.
    template <class valueReader>
    int parseArray(valueReader onValue) {
        expect('[');
        if (takeIf(']')) return 0;
        int count = 0;
        do onValue(count++);
        while (takeIf(','));
        expect(']');
        return count;
    }

    truthEntry parseEntry(const std::string& name) {
        truthEntry entry{name, {}, {}, 0, 0, {}};
        std::set<std::string> seen;
        parseObject([&](const std::string& key) {
            if (!seen.insert(key).second) fail("member \"" + key + "\" given twice");
            if (key == "kind") {
                skipSpace();
                entry.kind = parseString();
                if (entry.kind != "datamatrix" && entry.kind != "pdf417") {
                    fail("unknown kind \"" + entry.kind + "\"");
                }
            } else if (key == "corners") {
                parseCorners(entry.corners);
            } else if (key == "modules") {
                parseModules(entry);
            } else if (key == "data") {
                skipSpace();
                entry.data = parseString();
            } else {
                fail("unknown member \"" + key + "\"");
            }
        });
        for (const char* member : {"kind", "corners", "modules", "data"}) {
            if (!seen.count(member)) fail("image \"" + name + "\" has no \"" + member + "\"");
        }
        return entry;
    }

    void parseCorners(quad& corners) {
        const int count = parseArray([&](int index) {
            if (index >= 4) fail("more than four corners");
            double* coordinates[2] = {&corners[index].x, &corners[index].y};
            const int values = parseArray([&](int axis) {
                if (axis >= 2) fail("a corner has more than two coordinates");
                *coordinates[axis] = parseNumber(nullptr);
            });
            if (values != 2) fail("a corner needs two coordinates");
        });
        if (count != 4) fail("four corners needed");
    }

    void parseModules(truthEntry& entry) {
        int32_t* counts[2] = {&entry.columns, &entry.rows};
        const int count = parseArray([&](int index) {
            if (index >= 2) fail("more than two module counts");
            bool integer = false;
            const double value = parseNumber(&integer);
            if (!integer || value < 1 || value > 1e6) fail("module counts are positive integers");
            *counts[index] = static_cast<int32_t>(value);
        });
        if (count != 2) fail("two module counts needed");
    }

    // -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
    double parseNumber(bool* isInteger) {
        skipSpace();
        const size_t start = position_;
        takeChar('-');
        if (!takeChar('0') && !takeDigits()) fail("expected a number");
        bool integer = true;
        if (takeChar('.')) {
            integer = false;
            if (!takeDigits()) fail("digits must follow the decimal point");
        }
        if (takeChar('e') || takeChar('E')) {
            integer = false;
            if (!takeChar('+')) takeChar('-');
            if (!takeDigits()) fail("digits must follow the exponent");
        }
        double value = 0;
        const auto [end, error] =
            std::from_chars(text_.data() + start, text_.data() + position_, value);
        if (error != std::errc() || end != text_.data() + position_ || !std::isfinite(value)) {
            fail("number out of range");
        }
        if (isInteger) *isInteger = integer;
        return value;
    }

    bool takeChar(char c) {
        if (position_ < text_.size() && text_[position_] == c) {
            ++position_;
            return true;
        }
        return false;
    }

    bool takeDigits() {
        const size_t start = position_;
        while (position_ < text_.size() && text_[position_] >= '0' && text_[position_] <= '9') {
            ++position_;
        }
        return position_ > start;
    }

    std::string parseString() {
        if (!takeChar('"')) fail("expected a string");
        std::string value;
        while (true) {
            if (position_ >= text_.size()) fail("unterminated string");
            const char c = text_[position_++];
            if (c == '"') return value;
            if (static_cast<unsigned char>(c) < 0x20) fail("control character in a string");
            if (c != '\\') {
                value += c;
                continue;
            }
            if (position_ >= text_.size()) fail("unterminated string");
            const char escape = text_[position_++];
            switch (escape) {
                case '"':
                    value += '"';
                    break;
                case '\\':
                    value += '\\';
                    break;
                case '/':
                    value += '/';
                    break;
                case 'b':
                    value += '\b';
                    break;
                case 'f':
                    value += '\f';
                    break;
                case 'n':
                    value += '\n';
                    break;
                case 'r':
                    value += '\r';
                    break;
                case 't':
                    value += '\t';
                    break;
                case 'u':
                    appendUtf8(value, parseCodePoint());
                    break;
                default:
                    --position_;
                    fail("unknown escape in a string");
            }
        }
    }

    // After "\u": four hex digits, or a surrogate pair written as two escapes.
    uint32_t parseCodePoint() {
        const uint32_t first = parseHex4();
        if (first >= 0xDC00 && first <= 0xDFFF) fail("lone low surrogate");
        if (first < 0xD800 || first > 0xDBFF) return first;
        if (!takeChar('\\') || !takeChar('u')) fail("high surrogate without its low half");
        const uint32_t second = parseHex4();
        if (second < 0xDC00 || second > 0xDFFF) fail("high surrogate without its low half");
        return 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
    }

    uint32_t parseHex4() {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i, ++position_) {
            if (position_ >= text_.size()) fail("\\u needs four hex digits");
            const char c = text_[position_];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0) fail("\\u needs four hex digits");
            value = value * 16 + static_cast<uint32_t>(digit);
        }
        return value;
    }

    static void appendUtf8(std::string& out, uint32_t code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | code >> 6);
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | code >> 12);
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | code >> 18);
            out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    const std::string& text_;
    size_t position_ = 0;
};

}  // namespace

std::vector<truthEntry> parseTruth(const std::string& text) { return truthParser(text).parse(); }

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

}  // namespace cid_test
