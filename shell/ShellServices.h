// What the Qt windows are handed.
#pragma once

#include "shell/presenters/WindowServices.h"

namespace mailshift::shell {

using ShellServices = WindowServices;

}  // namespace mailshift::shell
