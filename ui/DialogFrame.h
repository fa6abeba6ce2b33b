#pragma once

#include <Qt>

/// The frame of the account dialogs: a caption with a close box, nothing to minimise or
/// maximise (window managers offer both unless told otherwise).
inline constexpr Qt::WindowFlags kDialogFrame = Qt::Dialog | Qt::CustomizeWindowHint |
                                                Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                                Qt::WindowCloseButtonHint;
