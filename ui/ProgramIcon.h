#pragma once

#include <QIcon>

/// The program's own icon (":/art/velomar.svg", drawn for 48 x 48): the window icon and the
/// About page's picture.
QIcon programIcon();
