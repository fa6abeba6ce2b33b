#include "ui/ProgramIcon.h"

#include <QString>

// Named outside any namespace, as Q_INIT_RESOURCE requires.
static void initProgramIconResource() {
    // The resource sits in a static library: only a reference keeps it in the program.
    Q_INIT_RESOURCE(ProgramIcon);
}

QIcon programIcon() {
    static const bool initialised = (initProgramIconResource(), true);
    (void)initialised;
    return QIcon(QStringLiteral(":/art/velomar.svg"));
}
