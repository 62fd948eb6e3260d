#pragma once

#include <QFont>

// The window's fonts. Tahoma where the system has it; Debian's fonts-wine
// ships it outside the font configuration, so it is loaded from there once.
// Without it, the closest sans serif that is installed.
QFont FuenteTahoma(bool negrita = false);

// The family the window's text uses, decided once per process.
QString FamiliaTahoma();
