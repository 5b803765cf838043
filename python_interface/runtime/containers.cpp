#include "runtime/containers.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <new>

namespace tarn::rt {
namespace sequence {

size_t elementIndex(ptrdiff_t i, size_t size) {
  const auto n = static_cast<ptrdiff_t>(size);
  if (i >= 0 && i < n) return static_cast<size_t>(i);
  if (i < 0 && i >= -n) return static_cast<size_t>(n + i);
  throw std::out_of_range("index out of range");
}

Span adjust(ptrdiff_t i, ptrdiff_t j, ptrdiff_t step, size_t size) {
  if (step == 0) throw std::invalid_argument("slice step cannot be zero");
  const auto n = static_cast<ptrdiff_t>(size);
  Span s{0, 0, step, 0};
  if (step > 0) {
    // A start at or beyond the end reads, writes and deletes nothing.
    s.first = i < 0 ? 0 : std::min(i, n);
    s.last = j < 0 ? 0 : std::min(j, n);
    if (s.last < s.first) s.last = s.first;
    // Counted without forming last - first + step, which could overflow.
    if (s.last > s.first) s.count = static_cast<size_t>((s.last - s.first - 1) / step) + 1;
  } else {
    s.first = i < -1 ? -1 : std::min(i, n - 1);
    s.last = j < -1 ? -1 : std::min(j, n - 1);
    if (s.first < s.last) s.first = s.last;
    if (s.first > s.last) s.count = static_cast<size_t>((s.first - s.last - 1) / -step) + 1;
  }
  return s;
}

void ensureRoom(size_t size, size_t extra, size_t maxCount, size_t elementSize) {
  if (size > maxCount || extra > maxCount - size) throw std::length_error("vector too long");
  static const size_t physicalBytes = [] {
    long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? static_cast<size_t>(pages) * static_cast<size_t>(pageSize) : SIZE_MAX;
  }();
  if (size + extra > physicalBytes / elementSize) throw std::bad_alloc();
}

void extendedSliceMismatch(size_t given, size_t count) {
  char message[1024];
  std::snprintf(message, sizeof message, "attempt to assign sequence of size %lu to extended slice of size %lu",
                static_cast<unsigned long>(static_cast<uint32_t>(given)),
                static_cast<unsigned long>(static_cast<uint32_t>(count)));
  throw std::invalid_argument(message);
}

void emptyVector(const char *what) { throw std::out_of_range(what); }

}  // namespace sequence

bool sliceArg(PyObject *object, SliceArg &slice) {
  if (!PySlice_Check(object)) {
    setError(PyExc_TypeError, "Slice object expected.");
    return false;
  }
  // A zero step is reported by the slice operation itself, after the
  // other arguments have been converted.
  PyObject *step = reinterpret_cast<PySliceObject *>(object)->step;
  if (PyLong_Check(step) && PyObject_Not(step) == 1) {
    slice.step = 0;
    return true;
  }
  return PySlice_Unpack(object, &slice.start, &slice.stop, &slice.step) == 0;
}

sequence::Span sliceSpan(const SliceArg &slice, size_t size) {
  // Negative bounds count from the end once; what is still outside the
  // vector is then clamped by the adjustment.
  const auto n = static_cast<ptrdiff_t>(size);
  ptrdiff_t start = slice.start < 0 ? slice.start + n : slice.start;
  ptrdiff_t stop = slice.stop < 0 ? slice.stop + n : slice.stop;
  return sequence::adjust(start, stop, slice.step, size);
}

}  // namespace tarn::rt
