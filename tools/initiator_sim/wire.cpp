#include "tools/initiator_sim/wire.h"

#include <limits>

namespace norvale::sim::wire {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::int64_t> ParseNumber(std::string_view text) {
    bool negative = false;
    if (!text.empty() && text[0] == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 18) return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

// Splits a message into its lines; the last must be "END".
std::optional<std::vector<std::string_view>> Lines(std::string_view bytes) {
    if (bytes.size() > kMaxMessage || bytes.empty() || bytes.back() != '\n') return std::nullopt;
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find('\n', start);
        lines.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    if (lines.empty() || lines.back() != "END") return std::nullopt;
    lines.pop_back();
    return lines;
}

void AppendObject(std::string& out, const SimObject& object) {
    out += FormatLine({"OBJECT", object.className});
    for (const SimProperty& property : object.properties) {
        const SimValue& value = property.value;
        switch (value.type) {
        case SimValue::Type::Null: out += FormatLine({"P", property.name, "null"}); break;
        case SimValue::Type::String: out += FormatLine({"P", property.name, "str", value.text}); break;
        case SimValue::Type::Bool: out += FormatLine({"P", property.name, "bool", value.flag ? "1" : "0"}); break;
        case SimValue::Type::Int32:
            out += FormatLine({"P", property.name, "i32", std::to_string(value.int32)});
            break;
        case SimValue::Type::UInt32:
            out += FormatLine({"P", property.name, "u32", std::to_string(value.uint32)});
            break;
        case SimValue::Type::Objects:
            out += FormatLine({"P", property.name, "objs", std::to_string(value.objects.size())});
            for (const SimObject& embedded : value.objects) AppendObject(out, embedded);
            break;
        }
    }
    out += "ENDOBJECT\n";
}

class ObjectReader {
public:
    explicit ObjectReader(const std::vector<std::string_view>& lines) : lines_(lines) {}

    std::size_t Position() const { return next_; }
    void Seek(std::size_t position) { next_ = position; }

    // The object that starts at the current line.
    std::optional<SimObject> Read(int depth) {
        if (depth > kMaxDepth) return std::nullopt;
        std::optional<std::vector<std::string>> head = NextLine();
        if (!head || head->size() != 2 || (*head)[0] != "OBJECT") return std::nullopt;
        SimObject object;
        object.className = std::move((*head)[1]);
        while (true) {
            std::optional<std::vector<std::string>> line = NextLine();
            if (!line) return std::nullopt;
            if (line->size() == 1 && (*line)[0] == "ENDOBJECT") return object;
            std::optional<SimValue> value = Property(*line, depth);
            if (!value) return std::nullopt;
            object.properties.push_back({std::move((*line)[1]), std::move(*value)});
        }
    }

private:
    std::optional<std::vector<std::string>> NextLine() {
        if (next_ == lines_.size()) return std::nullopt;
        return ParseLine(lines_[next_++]);
    }

    std::optional<SimValue> Property(const std::vector<std::string>& line, int depth) {
        if (line.size() < 3 || line[0] != "P") return std::nullopt;
        const std::string& type = line[2];
        if (type == "null" && line.size() == 3) return SimValue::Null();
        if (line.size() != 4) return std::nullopt;
        if (type == "str") return SimValue::String(line[3]);
        if (type == "bool" && (line[3] == "0" || line[3] == "1")) return SimValue::Bool(line[3] == "1");
        const std::optional<std::int64_t> number = ParseNumber(line[3]);
        if (!number) return std::nullopt;
        if (type == "i32" && *number >= std::numeric_limits<std::int32_t>::min() &&
            *number <= std::numeric_limits<std::int32_t>::max())
            return SimValue::Int32(static_cast<std::int32_t>(*number));
        if (type == "u32" && *number >= 0 && *number <= std::numeric_limits<std::uint32_t>::max())
            return SimValue::UInt32(static_cast<std::uint32_t>(*number));
        if (type != "objs" || *number < 0) return std::nullopt;
        // Each object takes two lines at least: a count beyond that is a lie.
        if (static_cast<std::uint64_t>(*number) > (lines_.size() - next_) / 2) return std::nullopt;
        std::vector<SimObject> objects;
        for (std::int64_t i = 0; i < *number; ++i) {
            std::optional<SimObject> embedded = Read(depth + 1);
            if (!embedded) return std::nullopt;
            objects.push_back(std::move(*embedded));
        }
        return SimValue::Objects(std::move(objects));
    }

    const std::vector<std::string_view>& lines_;
    std::size_t next_ = 0;
};

}  // namespace

std::string EncodeField(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F || c == '%') {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    // An empty text still makes a field: a lone "%", which no other text
    // encodes to.
    return out.empty() ? std::string("%") : out;
}

std::optional<std::string> DecodeField(std::string_view field) {
    if (field == "%") return std::string();
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            out += field[i];
            continue;
        }
        if (i + 2 >= field.size()) return std::nullopt;
        const int high = HexValue(field[i + 1]);
        const int low = HexValue(field[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

std::string FormatLine(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += ' ';
        line += EncodeField(fields[i]);
    }
    return line + "\n";
}

std::optional<std::vector<std::string>> ParseLine(std::string_view line) {
    if (line.size() > kMaxLine || line.empty()) return std::nullopt;
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = line.find(' ', start);
        const std::string_view field = line.substr(start, end == std::string_view::npos ? end : end - start);
        if (field.empty()) return std::nullopt;
        std::optional<std::string> decoded = DecodeField(field);
        if (!decoded) return std::nullopt;
        fields.push_back(std::move(*decoded));
        if (end == std::string_view::npos) return fields;
        start = end + 1;
    }
}

std::string FormatRequest(const Request& request) {
    std::vector<std::string> fields{request.verb};
    fields.insert(fields.end(), request.args.begin(), request.args.end());
    return FormatLine(fields);
}

std::optional<Request> ParseRequest(std::string_view bytes) {
    const std::size_t end = bytes.find('\n');
    if (end == std::string_view::npos) return std::nullopt;
    std::optional<std::vector<std::string>> fields = ParseLine(bytes.substr(0, end));
    if (!fields) return std::nullopt;
    Request request;
    request.verb = std::move(fields->front());
    request.args.assign(fields->begin() + 1, fields->end());
    return request;
}

std::string FormatResponse(const Response& response) {
    std::string out = FormatLine({"OK", std::to_string(response.code)});
    for (const std::string& line : response.lines) out += FormatLine({"LINE", line});
    if (response.delayNever) {
        out += "DELAY never\n";
    } else if (response.delayMs) {
        out += FormatLine({"DELAY", std::to_string(*response.delayMs)});
    }
    for (const SimObject& object : response.objects) AppendObject(out, object);
    return out + "END\n";
}

std::optional<Response> ParseResponse(std::string_view bytes) {
    const std::optional<std::vector<std::string_view>> lines = Lines(bytes);
    if (!lines || lines->empty()) return std::nullopt;
    const std::optional<std::vector<std::string>> head = ParseLine(lines->front());
    if (!head || head->size() != 2 || (*head)[0] != "OK") return std::nullopt;
    const std::optional<std::int64_t> code = ParseNumber((*head)[1]);
    if (!code) return std::nullopt;

    Response response;
    response.code = *code;
    ObjectReader reader(*lines);
    reader.Seek(1);
    while (reader.Position() < lines->size()) {
        const std::size_t at = reader.Position();
        std::optional<std::vector<std::string>> fields = ParseLine((*lines)[at]);
        if (!fields) return std::nullopt;
        if ((*fields)[0] == "OBJECT") {
            std::optional<SimObject> object = reader.Read(0);
            if (!object) return std::nullopt;
            response.objects.push_back(std::move(*object));
            continue;
        }
        reader.Seek(at + 1);
        if ((*fields)[0] == "LINE" && fields->size() == 2) {
            response.lines.push_back(std::move((*fields)[1]));
        } else if ((*fields)[0] == "DELAY" && fields->size() == 2 && (*fields)[1] == "never") {
            response.delayNever = true;
        } else if ((*fields)[0] == "DELAY" && fields->size() == 2) {
            const std::optional<std::int64_t> delay = ParseNumber((*fields)[1]);
            if (!delay || *delay < 0) return std::nullopt;
            response.delayMs = *delay;
        } else {
            return std::nullopt;
        }
    }
    return response;
}

}  // namespace norvale::sim::wire
