#pragma once

#include <QString>

// A count as a Spanish reader writes it: thousands grouped with a full stop
// from five digits on ("9999", "10.000", "1.216.512"). Ours, not the locale's:
// some Qt versions group only the last three digits.
QString TextoCantidad(qint64 cantidad);
