#pragma once

#include <QString>

/// Why the program cannot play this sound file, or an empty text when it can: it plays WAV
/// files of plain PCM samples, 8 or 16 bits each, in one or two channels. Only the file's
/// header is read.
QString wavProblem(const QString& path);
