#include "headers/MailDate.h"

#include "foundation/LexicalCast.h"

#include <cstdint>
#include <ctime>
#include <limits>

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Hands out the pieces of a text between runs of separator characters, never an empty one.
class Tokens {
public:
    Tokens(std::string_view text, std::string_view separators)
        : m_text(text), m_separators(separators) {}

    bool next(std::string_view& token) {
        const size_t start = m_text.find_first_not_of(m_separators, m_pos);
        if (start == std::string_view::npos) {
            m_pos = m_text.size();
            return false;
        }
        size_t end = m_text.find_first_of(m_separators, start);
        if (end == std::string_view::npos)
            end = m_text.size();
        token = m_text.substr(start, end - start);
        m_pos = end;
        return true;
    }

private:
    std::string_view m_text;
    std::string_view m_separators;
    size_t m_pos = 0;
};

int month(std::string_view token) {
    constexpr std::string_view kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
    const size_t at = kMonths.find(token);
    return at == std::string_view::npos ? 0 : static_cast<int>(at / 3);
}

// Years of two or three digits are the obsolete forms of RFC 5322: 00-49 are 2000-2049, 50-999
// are 1950-2899. Read as they stand they would be years of the first millennium, dates no
// 32-bit time can hold, and such a message would never count as new.
std::int64_t fullYear(std::string_view token, std::int32_t year) {
    const bool digitsOnly = (token.size() == 2 || token.size() == 3) && isDigit(token[0]) &&
                            isDigit(token[1]) && (token.size() == 2 || isDigit(token[2]));
    if (!digitsOnly)
        return year;
    if (token.size() == 2 && year < 50)
        return year + 2000;
    return year + 1900;
}

void readTime(std::string_view token, std::tm& broken) {
    Tokens pieces(token, ":");
    int* const fields[] = {&broken.tm_hour, &broken.tm_min, &broken.tm_sec};
    std::string_view piece;
    for (int* field : fields) {
        if (!pieces.next(piece))
            return;
        *field = Norq::lexicalCastOr<std::int32_t>(piece);
    }
}

std::int32_t readZone(std::string_view token) {
    if (token.size() != 5)
        return 0;
    const std::int32_t sign = token[0] == '+' ? 1 : -1;
    const std::int32_t hours = Norq::lexicalCastOr<std::int32_t>(token.substr(1, 2));
    const std::int32_t minutes = Norq::lexicalCastOr<std::int32_t>(token.substr(3, 2));
    return sign * (hours * 60 + minutes) * 60;
}

constexpr std::int32_t kUnrepresentable = -1;

} // namespace

MailDate parseMailDate(std::string_view text) {
    Tokens tokens(text, " \r\n\t");
    std::string_view token;
    bool more = tokens.next(token);
    if (more && !isDigit(token[0]))
        more = tokens.next(token); // a weekday name with its comma

    std::tm broken{};
    std::int64_t year = 1900; // tm_year is this minus 1900
    std::int32_t zone = 0;
    for (int index = 1; more && index <= 5; ++index, more = tokens.next(token)) {
        switch (index) {
        case 1:
            broken.tm_mday = Norq::lexicalCastOr<std::int32_t>(token);
            break;
        case 2:
            broken.tm_mon = month(token);
            break;
        case 3:
            year = fullYear(token, Norq::lexicalCastOr<std::int32_t>(token));
            break;
        case 4:
            readTime(token, broken);
            break;
        case 5:
            zone = readZone(token);
            break;
        }
    }

    MailDate date;
    date.zoneOffset = zone;
    const std::int64_t tmYear = year - 1900;
    if (tmYear < std::numeric_limits<int>::min() || tmYear > std::numeric_limits<int>::max()) {
        date.time = kUnrepresentable;
        return date;
    }
    broken.tm_year = static_cast<int>(tmYear);
    broken.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&broken);
    const bool fits = seconds >= std::numeric_limits<std::int32_t>::min() &&
                      seconds <= std::numeric_limits<std::int32_t>::max();
    date.time = fits ? static_cast<std::int32_t>(seconds) : kUnrepresentable;
    return date;
}
