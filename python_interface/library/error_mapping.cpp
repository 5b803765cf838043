#include "library/error_mapping.h"

#include <cstring>
#include <vector>

#include "library/exceptions.h"

namespace tarn::lux {
namespace {

constexpr const char *kCodeNames[] = {
    "TARN_LUX_RETURN_CODE_SUCCESS",
    "TARN_LUX_RETURN_CODE_ERROR",
    "TARN_LUX_RETURN_CODE_INVALID_HANDLE",
    "TARN_LUX_RETURN_CODE_IO_ERROR",
    "TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL",
    "TARN_LUX_RETURN_CODE_INVALID_ARGUMENT",
    "TARN_LUX_RETURN_CODE_OUT_OF_RANGE",
    "TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED",
    "TARN_LUX_RETURN_CODE_FORMAT_INTERPRETATION_ERROR",
    "limgTypeRETURN_CODE_NOT_SUPPORTED",
    "limgTypeRETURN_CODE_NOT_PERMITTED",
    "limgTypeRETURN_CODE_BUSY",
    "limgTypeRETURN_CODE_TIMEOUT",
};
constexpr uint32_t kCodeCount = sizeof(kCodeNames) / sizeof(kCodeNames[0]);

[[noreturn]] void throwFor(int32_t code, const std::string &message) {
  switch (code) {
    case TARN_LUX_RETURN_CODE_INVALID_HANDLE: throw InvalidHandleException(message);
    case TARN_LUX_RETURN_CODE_IO_ERROR: throw IOException(message);
    case TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL: throw BufferTooSmallException(message);
    case TARN_LUX_RETURN_CODE_INVALID_ARGUMENT: throw InvalidArgumentException(message);
    case TARN_LUX_RETURN_CODE_OUT_OF_RANGE: throw OutOfRangeException(message);
    case TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED: throw ImageFormatNotSupportedException(message);
    case TARN_LUX_RETURN_CODE_FORMAT_INTERPRETATION_ERROR: throw ImageFormatInterpretationException(message);
    case TARN_LUX_RETURN_CODE_NOT_PERMITTED: throw NotPermittedException(message);
    case TARN_LUX_RETURN_CODE_BUSY: throw BusyException(message);
    case TARN_LUX_RETURN_CODE_TIMEOUT: throw TimeoutException(message);
    default: throw Exception(message);
  }
}

}  // namespace

const char *returnCodeName(int32_t code) {
  return static_cast<uint32_t>(code) < kCodeCount ? kCodeNames[code] : "";
}

void throwLastError() {
  int32_t code = 0;
  size_t size = 0;
  if (TARN_LUX_GetLastError(&code, nullptr, &size) != TARN_LUX_RETURN_CODE_SUCCESS)
    throw Exception("Could not query the last error!");
  std::vector<char> text(size, '\0');
  if (TARN_LUX_GetLastError(&code, size ? text.data() : nullptr, &size) != TARN_LUX_RETURN_CODE_SUCCESS)
    throw Exception("Could not query the last error!");
  std::string description = size ? std::string(text.data(), strnlen(text.data(), size)) : std::string();
  throwFor(code, "[Error-Code: " + std::to_string(code) + " (" + returnCodeName(code) +
                     ") | Error-Description: " + description + "]");
}

}  // namespace tarn::lux
