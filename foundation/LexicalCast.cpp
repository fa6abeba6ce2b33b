#include "foundation/LexicalCast.h"

#include "foundation/Reporter.h"

#include <sstream>
#include <string>

namespace Norq {
namespace {

// Fixed names, so the report line reads the same whatever the compiler calls the type.
template <class T> constexpr const char* typeName();
template <> constexpr const char* typeName<std::uint32_t>() {
    return "unsigned int";
}
template <> constexpr const char* typeName<std::int32_t>() {
    return "int";
}
template <> constexpr const char* typeName<std::uint16_t>() {
    return "unsigned short";
}
template <> constexpr const char* typeName<bool>() {
    return "bool";
}

} // namespace

template <class T> T lexicalCastOr(std::string_view text) {
    std::istringstream stream{std::string(text)};
    stream.unsetf(std::ios::skipws);
    T value{};
    stream >> value;
    if (!text.empty() && !stream.fail() && stream.peek() == std::char_traits<char>::eof())
        return value;
    report("Norq", std::string("wrong lexical cast to ") + typeName<T>(), text);
    return T{};
}

template std::uint32_t lexicalCastOr<std::uint32_t>(std::string_view);
template std::int32_t lexicalCastOr<std::int32_t>(std::string_view);
template std::uint16_t lexicalCastOr<std::uint16_t>(std::string_view);
template bool lexicalCastOr<bool>(std::string_view);

} // namespace Norq
