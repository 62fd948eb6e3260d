#pragma once

#include <QApplication>

#include <memory>

class ErrorEjecucion;

// The application object. An error that no handler takes reaches the runtime's
// default report: one message box, then the program ends with a non-zero status.
class Aplicacion : public QApplication {
    Q_OBJECT
public:
    Aplicacion(int& argc, char** argv);

    bool notify(QObject* receptor, QEvent* evento) override;
};

// Makes the application. With no display to show a window on (no usable Qt
// platform), Qt would abort: this says so in one line on standard error
// instead, and ends the program with status 2.
std::unique_ptr<Aplicacion> CrearAplicacion(int& argc, char** argv);

// What every window of the program needs of the desktop: Qt's own Spanish
// texts (the program speaks only Spanish, whatever the locale), the Spanish
// locale for numbers and dates, and icons by their freedesktop names from the
// desktop's theme, or from the program's own where the desktop has none.
void PrepararEscritorio();

// Makes Qt's system locale Spanish, for the dates of its file dialog, whatever
// LANG says; before the application object, which may read it first.
void FijarLocaleDelSistema();

// Installs the message-box presenter of the window layer.
void InstalarCajasDeMensaje();

// "Error en tiempo de ejecución 'N':" and the description, in one box.
void ReporteErrorPredeterminado(const ErrorEjecucion& error);

// Exit status of a program ended by an unhandled error.
inline constexpr int EstadoErrorNoControlado = 1;
