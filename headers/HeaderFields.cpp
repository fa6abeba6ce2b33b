#include "headers/HeaderFields.h"

#include "foundation/AsciiText.h"
#include "foundation/NameChecksum.h"
#include "headers/EncodedWord.h"

#include <optional>

namespace {

class FieldsListener : public HeaderWalker::Listener {
public:
    explicit FieldsListener(HeaderFields& fields) : m_fields(fields) {}
    void onField(const char* fieldStart, const char* fieldEnd) override {
        m_fields.readField(fieldStart, fieldEnd);
    }
    void onHeadersEnd(const char*, const char*) override {}

private:
    HeaderFields& m_fields;
};

std::string_view range(const char* start, const char* end) {
    return std::string_view(start, static_cast<size_t>(end - start));
}

// The charset parameter of a Content-Type value, only in its quoted form (charset="koi8-r");
// nothing when there is none. The quote must follow the '=' of this very parameter, or a quoted
// parameter further on (boundary="...") would be taken for the charset.
std::optional<std::string_view> quotedCharset(std::string_view value) {
    size_t at = 0;
    while ((at = value.find("charset", at)) != std::string_view::npos) {
        at += 7;
        size_t pos = at;
        while (pos < value.size() && (value[pos] == ' ' || value[pos] == '\t'))
            ++pos;
        if (pos >= value.size() || value[pos] != '=')
            continue;
        ++pos;
        while (pos < value.size() && (value[pos] == ' ' || value[pos] == '\t'))
            ++pos;
        if (pos >= value.size() || value[pos] != '"')
            continue;
        const size_t close = value.find('"', pos + 1);
        if (close == std::string_view::npos)
            return std::nullopt;
        return value.substr(pos + 1, close - pos - 1);
    }
    return std::nullopt;
}

} // namespace

void HeaderFields::readField(const char* fieldStart, const char* fieldEnd) {
    if (const char* value = matchFieldName("Message-Id:", fieldStart, fieldEnd)) {
        messageIdSum = Norq::nameChecksum(range(value, fieldEnd));
    } else if (const char* received = matchFieldName("Received:", fieldStart, fieldEnd)) {
        // Only the topmost dated "Received:" counts: it was added last, on arrival. A date that
        // could not be represented (time -1) counts as a date too.
        if (date.time == 0) {
            const std::string_view text = range(received, fieldEnd);
            const size_t semicolon = text.find(';');
            if (semicolon != std::string_view::npos)
                date = parseMailDate(text.substr(semicolon + 1));
        }
    } else if (const char* subjectText = matchFieldName("Subject:", fieldStart, fieldEnd)) {
        const CodePage raw = charset == "utf-8" ? CodePage::Utf8 : CodePage::Ansi;
        subject = decodeHeaderText(range(subjectText, fieldEnd), raw);
    } else if (const char* from = matchFieldName("From:", fieldStart, fieldEnd)) {
        sender = decodeHeaderText(range(from, fieldEnd), CodePage::Ansi);
    }

    if (const char* type = matchFieldName("Content-Type:", fieldStart, fieldEnd)) {
        if (const auto name = quotedCharset(range(type, fieldEnd)))
            charset = Norq::asciiLower(*name);
    }
}

HeaderFields readHeaderFields(std::string_view headerBlock) {
    HeaderFields fields;
    FieldsListener listener(fields);
    HeaderWalker(headerBlock).walk(listener);
    return fields;
}
