#include "platform/CharsetConverter.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <list>
#include <utility>

namespace Platform {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Opening a converter costs far more than converting a header line, and headers repeat the same
// few character sets; each thread keeps its last few converters.
class ConverterCache {
public:
    ConverterCache() = default;
    ConverterCache(const ConverterCache&) = delete;
    ConverterCache& operator=(const ConverterCache&) = delete;
    ~ConverterCache() {
        for (auto& entry : m_entries)
            iconv_close(entry.second);
    }

    iconv_t find(const std::string& charset) {
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->first == charset) {
                m_entries.splice(m_entries.begin(), m_entries, it);
                return it->second;
            }
        }
        iconv_t converter = iconv_open("UTF-16LE", charset.c_str());
        if (converter == reinterpret_cast<iconv_t>(-1))
            return converter;
        m_entries.emplace_front(charset, converter);
        if (m_entries.size() > kCapacity) {
            iconv_close(m_entries.back().second);
            m_entries.pop_back();
        }
        return converter;
    }

private:
    static constexpr size_t kCapacity = 8;
    std::list<std::pair<std::string, iconv_t>> m_entries;
};

void appendUtf16Le(std::u16string& out, const char* bytes, size_t length) {
    for (size_t i = 0; i + 1 < length; i += 2) {
        const auto low = static_cast<unsigned char>(bytes[i]);
        const auto high = static_cast<unsigned char>(bytes[i + 1]);
        out.push_back(static_cast<char16_t>(low | (high << 8)));
    }
}

} // namespace

std::optional<std::u16string> charsetToWide(const std::string& charset, std::string_view bytes) {
    // An empty name would mean "the locale's character set" to the converter; that is no name.
    if (charset.empty())
        return std::nullopt;
    thread_local ConverterCache cache;
    iconv_t converter = cache.find(charset);
    if (converter == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    iconv(converter, nullptr, nullptr, nullptr, nullptr); // back to the initial shift state

    std::u16string result;
    result.reserve(bytes.size());
    char buffer[4096];
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        const size_t status = iconv(converter, &in, &inLeft, &out, &outLeft);
        appendUtf16Le(result, buffer, sizeof buffer - outLeft);
        if (status != static_cast<size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // An invalid or cut-off sequence: mark it and go on with the next byte.
        result.push_back(kReplacement);
        if (errno != EILSEQ && errno != EINVAL)
            break;
        ++in;
        --inLeft;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
    }
    // Stateful encodings (ISO-2022-JP) may still hold output until told the input has ended.
    char* out = buffer;
    size_t outLeft = sizeof buffer;
    iconv(converter, nullptr, nullptr, &out, &outLeft);
    appendUtf16Le(result, buffer, sizeof buffer - outLeft);
    return result;
}

} // namespace Platform
