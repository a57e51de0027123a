// Runs one Qt Test class, named by the first argument, under a QApplication.
#include <QApplication>
#include <QTest>
#include <cstdio>
#include <cstring>

#include "widget_test_registry.h"

int main(int argc, char* argv[]) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s TEST_CLASS [Qt Test options]\n", argv[0]);
    for (const auto& entry : fabrion::test::WidgetTests()) std::fprintf(stderr, "  %s\n", entry.first.c_str());
    return 2;
  }
  QApplication application(argc, argv);
  const std::string wanted = argv[1];
  for (const auto& [name, make] : fabrion::test::WidgetTests()) {
    if (name != wanted) continue;
    std::unique_ptr<QObject> object = make();
    argv[1] = argv[0];
    return QTest::qExec(object.get(), argc - 1, argv + 1);
  }
  std::fprintf(stderr, "no widget test class %s\n", argv[1]);
  return 2;
}
