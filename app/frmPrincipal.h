#pragma once

#include <QWidget>

// The program's one window.
class frmPrincipal : public QWidget {
    Q_OBJECT
public:
    explicit frmPrincipal(QWidget* padre = nullptr);
    ~frmPrincipal() override;

public slots:
    // Brings the window to the front, as a later start asks.
    void Activar();

protected:
    void closeEvent(QCloseEvent* evento) override;

private:
    void Form_Load();
    void Form_Unload();
};
