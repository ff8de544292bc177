// The windows' type: Tahoma 8.25 pt where the system has it, else the closest sans-serif at hand.
#pragma once

#include <QFont>
#include <QString>

namespace mailshift::shell {

// "Tahoma", or a replacement of similar width and weight.
QString WindowFontFamily();

// The window font at 8.25 pt, plain or bold.
QFont WindowFont(bool bold = false);

}  // namespace mailshift::shell
