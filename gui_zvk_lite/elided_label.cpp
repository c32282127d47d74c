#include "elided_label.h"

#include "shown_names.h"

#include <QEvent>
#include <QFontMetrics>
#include <QResizeEvent>
#include <QShowEvent>

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
}

void ElidedLabel::set_full_text(const QString& text) {
    whole = text;
    updateGeometry();
    fit();
}

int ElidedLabel::frame_and_margins() const {
    const QMargins m = contentsMargins();
    return m.left() + m.right() + 2 * margin();
}

QSize ElidedLabel::sizeHint() const {
    return QSize(fontMetrics().horizontalAdvance(whole) + frame_and_margins(), QLabel::sizeHint().height());
}

QSize ElidedLabel::minimumSizeHint() const {
    const int ellipsis = fontMetrics().horizontalAdvance(QChar(0x2026));
    return QSize(ellipsis + frame_and_margins(), QLabel::minimumSizeHint().height());
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    fit();
}

void ElidedLabel::showEvent(QShowEvent* event) {
    QLabel::showEvent(event);
    fit();
}

void ElidedLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        updateGeometry();
        fit();
    }
}

void ElidedLabel::fit() {
    const int room = width() - frame_and_margins();
    const QString shown =
        isVisible() ? fontMetrics().elidedText(whole, Qt::ElideRight, qMax(0, room)) : whole;
    setText(shown);
    setToolTip(shown == whole ? QString() : plain_tool_tip(whole));
}
