#include "app/application_icon.h"

#ifndef FABRION_ICON_PICTURES
#include <QPainter>
#include <QSvgRenderer>
#endif

namespace fabrion {

#ifdef FABRION_ICON_PICTURES
// The pictures rendered from the SVG when the program was built.
QPixmap ApplicationPicture(int size) {
  for (int rendered : {16, 24, 32, 48, 64, 128, 256}) {
    if (rendered < size && rendered != 256) continue;
    QPixmap picture(QStringLiteral(":/fabrion/fabrion-%1.png").arg(rendered));
    return rendered == size ? picture
                            : picture.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  }
  return {};
}
#else
QPixmap ApplicationPicture(int size) {
  QPixmap picture(size, size);
  picture.fill(Qt::transparent);
  QSvgRenderer renderer(QStringLiteral(":/fabrion/fabrion.svg"));
  QPainter painter(&picture);
  renderer.render(&painter);
  return picture;
}
#endif

QIcon ApplicationIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128}) icon.addPixmap(ApplicationPicture(size));
  return icon;
}

}  // namespace fabrion
