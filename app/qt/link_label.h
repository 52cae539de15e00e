// A transparent label that reports a left mouse press: the update link line.
#pragma once

#include <QLabel>

namespace velkoran {

class LinkLabel : public QLabel {
  Q_OBJECT
 public:
  explicit LinkLabel(QWidget* parent = nullptr);

 signals:
  // A left press; where it happened and which keys were held do not matter.
  void pressed();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace velkoran
