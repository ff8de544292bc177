#include <QTest>

namespace mailshift::shell::testing {

template <typename Widget>
Widget* Find(const QObject& window, const char* name) {
  auto* found = window.findChild<Widget*>(QString::fromLatin1(name));
  if (found == nullptr) qFatal("no child named %s", name);
  return found;
}

}  // namespace mailshift::shell::testing
