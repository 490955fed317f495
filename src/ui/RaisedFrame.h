#pragma once
// The raised double frame that the borderless pop-up windows paint at their edge.
class QWidget;
class QPainter;

void PaintRaisedDoubleFrame(QPainter& painter, const QWidget& widget);
