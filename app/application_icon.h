#pragma once
// The program's icon (app/fabrion.svg): the serial node joined to the Ethernet
// node on a blue tile. It is on every window and is the logo in "About...".
#include <QIcon>
#include <QPixmap>

namespace fabrion {

// The icon at the sizes window systems and task bars ask for.
QIcon ApplicationIcon();

// The icon drawn at size x size pixels, transparent around the tile.
QPixmap ApplicationPicture(int size);

}  // namespace fabrion
