// Compiled with the core's settings only; it must not find Qt's headers.
#include <QtCore/QString>

int ProbeCoreSeesQt() { return QString().size(); }
