// Exceptions of the object layer.  Each holds only its message; the library's
// return code survives inside that text.
#pragma once

#include <stdexcept>
#include <string>

namespace tarn::lux {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string &message) : std::runtime_error(message) {}
  explicit Exception(const char *message) : std::runtime_error(message ? message : "") {}
  const char *what() const noexcept override {
    const char *text = std::runtime_error::what();
    return text ? text : "Unknown exception";
  }
};

#define TARN_LUX_DECLARE_EXCEPTION(Name)                                \
  class Name : public Exception {                                       \
   public:                                                              \
    explicit Name(const std::string &message) : Exception(message) {} \
    explicit Name(const char *message) : Exception(message) {}         \
  };

TARN_LUX_DECLARE_EXCEPTION(OutOfRangeException)
TARN_LUX_DECLARE_EXCEPTION(BufferTooSmallException)
TARN_LUX_DECLARE_EXCEPTION(InvalidArgumentException)
TARN_LUX_DECLARE_EXCEPTION(ImageFormatNotSupportedException)
TARN_LUX_DECLARE_EXCEPTION(ImageFormatInterpretationException)
TARN_LUX_DECLARE_EXCEPTION(IOException)
TARN_LUX_DECLARE_EXCEPTION(BusyException)
TARN_LUX_DECLARE_EXCEPTION(NotPermittedException)
TARN_LUX_DECLARE_EXCEPTION(TimeoutException)
TARN_LUX_DECLARE_EXCEPTION(InvalidHandleException)

#undef TARN_LUX_DECLARE_EXCEPTION

}  // namespace tarn::lux
