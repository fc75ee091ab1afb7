#include "tools/initiator_sim/wql_select.h"

#include "tools/initiator_sim/sim_object.h"

namespace norvale::sim {
namespace {

class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    bool AtEnd() {
        SkipBlanks();
        return pos_ == text_.size();
    }
    // A keyword or "*" or "=", followed by a blank or the end where it is a word.
    bool Take(std::string_view word) {
        SkipBlanks();
        if (text_.size() - pos_ < word.size() || !SameIgnoringCase(text_.substr(pos_, word.size()), word))
            return false;
        const std::size_t after = pos_ + word.size();
        if (IsWordChar(word.back()) && after < text_.size() && IsWordChar(text_[after])) return false;
        pos_ = after;
        return true;
    }
    std::optional<std::string> Identifier() {
        SkipBlanks();
        const std::size_t start = pos_;
        if (pos_ == text_.size() || !IsWordStart(text_[pos_])) return std::nullopt;
        while (pos_ < text_.size() && IsWordChar(text_[pos_])) ++pos_;
        return std::string(text_.substr(start, pos_ - start));
    }
    std::optional<std::string> Literal() {
        SkipBlanks();
        if (pos_ == text_.size() || (text_[pos_] != '\'' && text_[pos_] != '"')) return std::nullopt;
        const char quote = text_[pos_++];
        std::string value;
        while (pos_ < text_.size()) {
            const char c = text_[pos_++];
            if (c == quote) return value;
            if (c == '\\') {
                if (pos_ == text_.size()) return std::nullopt;
                const char escaped = text_[pos_++];
                if (escaped != '\\' && escaped != '\'' && escaped != '"') return std::nullopt;
                value += escaped;
            } else {
                value += c;
            }
        }
        return std::nullopt;  // no closing quote
    }

private:
    static bool IsWordStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
    static bool IsWordChar(char c) { return IsWordStart(c) || (c >= '0' && c <= '9'); }
    void SkipBlanks() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r' ||
                                       text_[pos_] == '\n'))
            ++pos_;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

std::optional<WqlSelect> ParseWqlSelect(std::string_view query) {
    Scanner scan(query);
    if (!scan.Take("SELECT") || !scan.Take("*") || !scan.Take("FROM")) return std::nullopt;
    WqlSelect select;
    std::optional<std::string> className = scan.Identifier();
    if (!className) return std::nullopt;
    select.className = std::move(*className);
    if (scan.AtEnd()) return select;

    if (!scan.Take("WHERE")) return std::nullopt;
    std::optional<std::string> property = scan.Identifier();
    if (!property || !scan.Take("=")) return std::nullopt;
    std::optional<std::string> value = scan.Literal();
    if (!value || !scan.AtEnd()) return std::nullopt;
    select.whereProperty = std::move(*property);
    select.whereValue = std::move(*value);
    return select;
}

}  // namespace norvale::sim
