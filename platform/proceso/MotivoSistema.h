#pragma once

#include <QString>

// The system's reason for an error number, in Spanish whatever the user's
// locale: the messages around it are Spanish too. Numbers the program does not
// expect fall back to the C library's own text.
QString MotivoSistema(int error);
