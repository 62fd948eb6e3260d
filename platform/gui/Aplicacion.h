#pragma once

#include <QApplication>

class ErrorEjecucion;

// The application object. An error that no handler takes reaches the runtime's
// default report: one message box, then the program ends with a non-zero status.
class Aplicacion : public QApplication {
    Q_OBJECT
public:
    Aplicacion(int& argc, char** argv);

    bool notify(QObject* receptor, QEvent* evento) override;
};

// Installs the message-box presenter of the window layer.
void InstalarCajasDeMensaje();

// "Error en tiempo de ejecución 'N':" and the description, in one box.
void ReporteErrorPredeterminado(const ErrorEjecucion& error);

// Exit status of a program ended by an unhandled error.
inline constexpr int EstadoErrorNoControlado = 1;
