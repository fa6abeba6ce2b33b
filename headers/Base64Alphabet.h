#pragma once

#include <array>
#include <string_view>

/// Marks a byte outside the base64 alphabet in kBase64Values.
inline constexpr int kNotBase64 = -1;

/// The value of each byte in the base64 alphabet of RFC 2045, which UTF-7 uses as well.
inline constexpr std::array<int, 256> kBase64Values = [] {
    std::array<int, 256> values{};
    for (auto& value : values)
        value = kNotBase64;
    constexpr std::string_view alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (size_t i = 0; i < alphabet.size(); ++i)
        values[static_cast<unsigned char>(alphabet[i])] = static_cast<int>(i);
    return values;
}();
