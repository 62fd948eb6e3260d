#pragma once

#include <cstdint>

class QWidget;

// Places a window centred on its screen, shifted by the offsets (twips): the
// top first, then the left. Raises the overflow error (6) when a position falls
// outside the signed 32-bit range.
void CentrarFormulario(QWidget* Formulario, const int32_t& DesplazamientoHorizontal,
                       const int32_t& DesplazamientoVertical);

// One coordinate of that placement, in twips: the difference between the screen
// and the window rounded half to even, halved truncating toward zero, plus the
// offset. Raises error 6 outside the signed 32-bit range.
int32_t PosicionCentrada(double pantalla, double ventana, int32_t desplazamiento);
