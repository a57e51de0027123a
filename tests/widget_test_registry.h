#pragma once
// Widget test classes register themselves here; the runner picks one by name.
#include <QObject>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace fabrion::test {

using WidgetTestFactory = std::function<std::unique_ptr<QObject>()>;

inline std::map<std::string, WidgetTestFactory>& WidgetTests() {
  static std::map<std::string, WidgetTestFactory> tests;
  return tests;
}

template <typename T>
struct WidgetTestRegistration {
  explicit WidgetTestRegistration(const char* name) {
    WidgetTests()[name] = [] { return std::make_unique<T>(); };
  }
};

}  // namespace fabrion::test

#define FABRION_WIDGET_TEST(Class) \
  static ::fabrion::test::WidgetTestRegistration<Class> registration_##Class(#Class)
