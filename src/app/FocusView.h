#pragma once

#include <QQuickItem>
#include <QtQml/qqmlregistration.h>

// A plain item that can always take keyboard focus: by tabbing to it, by clicking it, or when
// asked to. Available to screens that host keyboard-driven content of their own.
class FocusView : public QQuickItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(bool acceptsFocus READ acceptsFocus CONSTANT)

public:
    explicit FocusView(QQuickItem *parent = nullptr);

    bool acceptsFocus() const { return true; }

protected:
    void mousePressEvent(QMouseEvent *event) override;
};
