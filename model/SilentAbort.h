// The one exception that ends a command without any message: the user has
// been told already, or must not be told. Event handlers swallow it.
#pragma once

#include <exception>

namespace vantrel {

struct SilentAbort : std::exception {
  const char* what() const noexcept override { return "silent abort"; }
};

}  // namespace vantrel
