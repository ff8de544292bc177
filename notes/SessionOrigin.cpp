#include "notes/SessionOrigin.h"

#include <cmath>
#include <cstdio>

#include "common/DateText.h"

namespace mailshift::notes {

ObtainedSession ObtainSession(SessionFactory& factory) {
  ObtainedSession obtained;
  try {
    obtained.session = factory.CreateObject(kDominoSessionClass);
  } catch (const NotesError&) {
    obtained.session.reset();  // the first class is optional; its failure is ignored
  }
  if (obtained.session) {
    obtained.origin = SessionOrigin::Domino;
    return obtained;
  }
  try {
    obtained.session = factory.CreateObject(kNotesSessionClass);
    if (obtained.session) {
      obtained.origin = SessionOrigin::Notes;
    } else {
      obtained.failure = "no object was created for " + std::string(kNotesSessionClass);
    }
  } catch (const NotesError& error) {
    obtained.failure = error.what();
  }
  return obtained;
}

namespace {

std::string NumberText(double number) {
  if (std::isfinite(number) && number == std::floor(number) && std::fabs(number) < 1e15) {
    return std::to_string(static_cast<long long>(number));
  }
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.15g", number);
  return buffer;
}

}  // namespace

std::string ItemValueText(const ItemValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* number = std::get_if<double>(&value)) return NumberText(*number);
  return DateText(std::get<DateTime>(value));
}

}  // namespace mailshift::notes
