#pragma once

#include <QAccessibleWidget>

class LienzoPaginas;

// What a screen reader finds in the page area: a document whose text is that
// of the page in view (title, heading, rows, foot), read and walked through
// as any text is; no caret moves the view.
class LienzoAccesible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit LienzoAccesible(LienzoPaginas* lienzo);

    void* interface_cast(QAccessible::InterfaceType tipo) override;

    // The widget's name and description stay reachable beside the text's range.
    using QAccessibleWidget::text;
    QString text(int desde, int hasta) const override;
    int characterCount() const override;
    int cursorPosition() const override { return cursor_; }
    void setCursorPosition(int posicion) override;
    void selection(int indice, int* desde, int* hasta) const override;
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int posicion, int* desde, int* hasta) const override;

private:
    QString Texto() const;

    int cursor_ = 0;
};
