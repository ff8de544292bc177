#include "platform/win/ComApartment.h"

#include <windows.h>

#include <stdexcept>

#include "platform/win/AutomationObject.h"

namespace mailshift::platform::win {

ComApartment::ComApartment() {
  const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  if (FAILED(result))
    throw std::runtime_error(ComErrorMessage(result, "COM could not be started", "CoInitializeEx"));
}

ComApartment::~ComApartment() { CoUninitialize(); }

}  // namespace mailshift::platform::win
