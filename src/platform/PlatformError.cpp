#include "platform/PlatformError.h"

#include <cstring>

namespace nulvane::platform {

PlatformError::PlatformError(int number_, std::string description_)
    : std::runtime_error(description_), number(number_), description(std::move(description_)) {}

PlatformError ErrorFromErrno(int error) {
  return PlatformError(ErrorNumberFromErrno(error), std::strerror(error));
}

void ThrowErrno(int error) {
  throw ErrorFromErrno(error);
}

}  // namespace nulvane::platform
