#include "app/application_icon.h"

#include <QPainter>
#include <QSvgRenderer>

namespace fabrion {

QPixmap ApplicationPicture(int size) {
  QPixmap picture(size, size);
  picture.fill(Qt::transparent);
  QSvgRenderer renderer(QStringLiteral(":/fabrion/fabrion.svg"));
  QPainter painter(&picture);
  renderer.render(&painter);
  return picture;
}

QIcon ApplicationIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128}) icon.addPixmap(ApplicationPicture(size));
  return icon;
}

}  // namespace fabrion
