// Placing windows: centred on the screen or on their owner.
#pragma once

#include <QWidget>

namespace mailshift::shell {

void CentreOnScreen(QWidget& window);
// Centred on owner when there is one, else on the screen.
void CentreOnOwner(QWidget& window, const QWidget* owner);

}  // namespace mailshift::shell
