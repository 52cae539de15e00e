#include "app/qt/link_label.h"

#include <QMouseEvent>

namespace velkoran {

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent) {}

void LinkLabel::mousePressEvent(QMouseEvent* event) {
  // A hidden control takes no presses, also not ones sent to it directly.
  if (event->button() == Qt::LeftButton && isVisible()) {
    event->accept();
    emit pressed();
    return;
  }
  QLabel::mousePressEvent(event);
}

}  // namespace velkoran
