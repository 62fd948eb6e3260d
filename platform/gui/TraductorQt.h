#pragma once

#include <QTranslator>

// The few texts of Qt's own dialogs that Qt's Spanish translation leaves in
// English: the kinds of file in the file dialog ("Folder", "%1 File") and the
// print dialog's page range and double-sided options.
class TraductorQt : public QTranslator {
public:
    using QTranslator::QTranslator;
    QString translate(const char* contexto, const char* texto, const char* desambiguacion,
                      int n) const override;
    bool isEmpty() const override { return false; }
};
