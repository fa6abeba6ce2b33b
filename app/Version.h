#pragma once

#include <string>

namespace Version {

constexpr int kMajor = 1;
constexpr int kMinor = 0;
constexpr int kRelease = 7;
constexpr int kBuild = 23;

/// "Version 1.0.7 (build 23)"
std::string text();

} // namespace Version
