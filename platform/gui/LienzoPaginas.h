#pragma once

#include <QAbstractScrollArea>

class Reporte;

// The pages of a listing one below the other, painted only where they are in
// view. Zoom is in screen pixels per point of the page.
class LienzoPaginas : public QAbstractScrollArea {
    Q_OBJECT
public:
    LienzoPaginas(Reporte& reporte, QWidget* padre = nullptr);

    enum class Ajuste { Ninguno, Ancho, Pagina };

    qint64 PaginaActual() const;
    qreal Zoom() const { return escala_; }

public slots:
    void IrAPagina(qint64 k);
    void Acercar();
    void Alejar();
    void AjustarAncho();
    void AjustarPagina();

signals:
    void PaginaCambiada(qint64 k);

protected:
    void paintEvent(QPaintEvent* evento) override;
    void resizeEvent(QResizeEvent* evento) override;
    void wheelEvent(QWheelEvent* evento) override;
    void keyPressEvent(QKeyEvent* evento) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void EstablecerEscala(qreal escala, Ajuste ajuste);
    void AplicarAjuste();
    void ActualizarBarras();
    qint64 PaginaArriba() const;
    void Avisar();
    int Paso() const; // height of a page and the gap below it, in pixels
    QSize TamanoPagina() const;
    void PintarPagina(QPainter& pintor, qint64 k, const QRect& hoja);

    Reporte& reporte_;
    qreal escala_ = 1;
    Ajuste ajuste_ = Ajuste::Ancho;
    qint64 actual_ = 0;
    qint64 avisada_ = 0;
    bool saltando_ = false;
};
