#pragma once

#include <QTranslator>

// The kinds of file in Qt's file dialog ("Folder", "%1 File"), which Qt's
// Spanish translation leaves out.
class TraductorTipos : public QTranslator {
public:
    using QTranslator::QTranslator;
    QString translate(const char* contexto, const char* texto, const char* desambiguacion,
                      int n) const override;
    bool isEmpty() const override { return false; }
};
