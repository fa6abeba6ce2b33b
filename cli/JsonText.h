#pragma once

#include <string>
#include <string_view>

/// A JSON string literal of UTF-8 text: quotes, backslashes and control characters escaped.
std::string jsonString(std::string_view text);
