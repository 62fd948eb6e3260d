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

    // What a screen reader says of the area: the page in view and the
    // listing's file, and its control code.
    void Presentar(const QString& archivo, const QString& codigo);
    // The text of the page in view, one line of the page per line; when the
    // page cannot be read, why.
    QString TextoPagina() const;

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
    void focusInEvent(QFocusEvent* evento) override;
    void focusOutEvent(QFocusEvent* evento) override;
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
    void Nombrar();
    int Paso() const; // height of a page and the gap below it, in pixels
    QSize TamanoPagina() const;
    void PintarPagina(QPainter& pintor, qint64 k, const QRect& hoja);

    Reporte& reporte_;
    qreal escala_ = 1;
    Ajuste ajuste_ = Ajuste::Ancho;
    qint64 actual_ = 0;
    qint64 avisada_ = 0;
    bool saltando_ = false;
    QString archivo_;
    // The page whose text is kept, and that text.
    mutable qint64 paginaTexto_ = -1;
    mutable QString texto_;
};
