#pragma once

#include <memory>

class ProgramContext;
class LogicCore;

/// Builds the mail model from the program's data folder and installed presets. What stops
/// it reaches the user as a message that names the file and says what to do: a damaged account
/// file, missing installed files. First removes what unfinished saves of the data file and the
/// settings left behind.
std::unique_ptr<LogicCore> startModel(const ProgramContext& application);
