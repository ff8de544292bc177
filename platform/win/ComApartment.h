// COM for the user-interface thread: the executables create one ComApartment on that thread
// before any Notes object and keep it until every Notes object has been released.
#pragma once

namespace mailshift::platform::win {

class ComApartment {
 public:
  // Enters a single-threaded apartment; throws std::runtime_error when COM cannot start or the
  // thread already runs in a multi-threaded apartment.
  ComApartment();
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
};

}  // namespace mailshift::platform::win
