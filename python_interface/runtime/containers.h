// The sequence containers (VectorInt32, VectorPoint2D, ...): one
// implementation of every container function, instantiated per element kind.
//
// Choices where the interface leaves the outcome open, all made so that no
// call reads or writes outside a vector:
//  - element references (`v[i]`, `front`, `back` of the wrapped-element
//    containers) are borrowed objects (borrowed_object.h) that keep the
//    container alive and find element i anew on every use: after the vector
//    reallocated they see element i where it is now, after it shrank below i
//    any use raises IndexError;
//  - `front`, `back` on an empty vector raise IndexError("index out of
//    range"), `pop_back` IndexError("pop from empty container"), as `pop`;
//  - `erase`/`insert` with an iterator of another vector (or of one that no
//    longer exists) raise ValueError, with a position outside the vector
//    (for `erase`: at the end) IndexError("iterator out of range");
//  - a slice read starting at or beyond the end with a positive step is
//    empty, as in Python (the adjustment of writes and deletes).
#pragma once

#include <Python.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <vector>

#include "runtime/borrowed_object.h"
#include "runtime/call_protocol.h"
#include "runtime/call_scope.h"
#include "runtime/iterators.h"

namespace tarn::rt {

// The interned attribute name "__swig_container" (module.cpp).
PyObject *containerName();

namespace sequence {

// Index rule: the element addressed by i (negative counts from the end).
size_t elementIndex(ptrdiff_t i, size_t size);

// A slice after the index adjustment: `count` elements from `first` on,
// `step` apart (for step 1 the half-open range [first, last)).
struct Span {
  ptrdiff_t first;
  ptrdiff_t last;
  ptrdiff_t step;
  size_t count;
};
Span adjust(ptrdiff_t i, ptrdiff_t j, ptrdiff_t step, size_t size);

// Throws "vector too long" unless `extra` more elements fit.
// Throws std::length_error past `maxCount` elements and std::bad_alloc
// (MemoryError) when the elements would need more bytes than the machine
// has: such a request can only fail, and asking the allocator would end the
// process under the sanitizers or invite the out-of-memory killer.
void ensureRoom(size_t size, size_t extra, size_t maxCount, size_t elementSize);
[[noreturn]] void extendedSliceMismatch(size_t given, size_t count);
[[noreturn]] void emptyVector(const char *what);

}  // namespace sequence

// A Python slice object's start, stop and step as given (None filled in
// and huge values clamped as Python does); the vector's size is applied
// when the slice is used.
struct SliceArg {
  Py_ssize_t start = 0;
  Py_ssize_t stop = 0;
  Py_ssize_t step = 1;
};
bool sliceArg(PyObject *object, SliceArg &slice);
sequence::Span sliceSpan(const SliceArg &slice, size_t size);

// A vector argument: an existing container's vector, or one built from a
// Python sequence for this call.
template <class Vector>
struct SequenceArg {
  Vector *value = nullptr;
  std::unique_ptr<Vector> made;
};

// The registry types behind a container and its elements, looked up by name
// once per container kind.
struct SequenceTypes {
  TypeInfo *container;
  TypeInfo *element;
};

// --- element kinds -------------------------------------------------------

// The element of a wrapped object of `type`, copied out; None is refused.
template <class T>
bool copyFromWrapped(PyObject *item, T *value, TypeInfo *type) {
  void *pointer = nullptr;
  if (!type || !succeeded(convertPointer(item, &pointer, type, kNoNull)) || !pointer) return false;
  *value = *static_cast<const T *>(pointer);
  return true;
}

// Integers cross by value both ways.
template <class T>
struct IntegerItems {
  using value_type = T;
  static constexpr bool kByReference = false;

  static bool fromItem(PyObject *item, T *value, TypeInfo *) {
    if constexpr (std::is_signed_v<T>)
      return toSigned(item, value) == kOk;
    else
      return toUnsigned(item, value) == kOk;
  }
  static PyObject *copyOut(const T &value) {
    if constexpr (std::is_signed_v<T>)
      return fromSigned(value);
    else
      return fromUnsigned(value);
  }
};

// Enumeration values: single values are ints, but items of a Python
// sequence must be wrapped enumeration values.
template <class E>
struct EnumItems {
  using value_type = E;
  static constexpr bool kByReference = false;

  static bool fromItem(PyObject *item, E *value, TypeInfo *type) { return copyFromWrapped(item, value, type); }
  static PyObject *copyOut(const E &value) { return fromSigned(static_cast<int32_t>(value)); }
};

// Class values: copied in from wrapped objects, handed out as element
// references by indexing and as owned copies by pop and iteration.
template <class T, TypeIndex Element>
struct WrappedItems {
  using value_type = T;
  static constexpr bool kByReference = true;
  static constexpr TypeIndex kType = Element;

  static bool fromItem(PyObject *item, T *value, TypeInfo *type) { return copyFromWrapped(item, value, type); }
  static PyObject *copyOut(const T &value) {
    auto copy = std::make_unique<T>(value);
    PyObject *result = newResultObject(copy.get(), types()[Element], kOwn);
    if (result) copy.release();
    return result;
  }
};

// --- the container functions ----------------------------------------------

template <class Items, TypeIndex Container>
struct VectorOps {
  using T = typename Items::value_type;
  using Vector = std::vector<T>;
  using ForwardIterator = swig::SwigPyIterator_T<VectorOps, swig::Forward>;

  static size_t maxCount() {
    constexpr size_t kLimit = std::min<size_t>(std::numeric_limits<ptrdiff_t>::max(), SIZE_MAX / sizeof(T));
    return std::min(kLimit, Vector().max_size());
  }
  static void ensureRoom(const Vector &v, size_t extra) { sequence::ensureRoom(v.size(), extra, maxCount(), sizeof(T)); }
  // Before anything that may move or drop elements: not while another call
  // works with the vector or holds one of its elements.
  static void resizing(const Vector &v) { checkResizable(&v); }

  static Vector *vectorOf(PyObject *container) {
    void *pointer = nullptr;
    if (!succeeded(convertPointer(container, &pointer, types()[Container], 0))) return nullptr;
    return static_cast<Vector *>(pointer);
  }
  static void *elementAt(void *vector, size_t index) {
    Vector &v = *static_cast<Vector *>(vector);
    return index < v.size() ? &v[index] : nullptr;
  }
  static PyObject *copyOut(const T &value) { return Items::copyOut(value); }

  // --- arguments ---

  static const SequenceTypes &sequenceTypes(const char *container, const char *element) {
    static const SequenceTypes found{lookupType(container), lookupType(element)};
    return found;
  }

  // The sequence-argument rule; with `arg` null it only tells whether the
  // object fits and converts nothing.
  static bool fromSequence(PyObject *object, SequenceArg<Vector> *arg, const SequenceTypes &types) {
    if (object == Py_None || wrappedObjectOf(object)) {
      void *pointer = nullptr;
      if (!succeeded(convertPointer(object, arg ? &pointer : nullptr, types.container, 0))) return false;
      if (arg) arg->value = static_cast<Vector *>(pointer);
      return true;
    }
    if (!PySequence_Check(object)) return false;
    Py_ssize_t length = PySequence_Size(object);
    if (length < 0) return PyErr_Clear(), false;
    std::unique_ptr<Vector> made(arg ? new Vector() : nullptr);
    for (Py_ssize_t i = 0; i < length; ++i) {
      PyObject *item = PySequence_GetItem(object, i);
      if (!item) return PyErr_Clear(), false;
      T value{};
      bool fits = Items::fromItem(item, &value, types.element);
      Py_DECREF(item);
      if (!fits) return false;
      if (made) made->push_back(value);
    }
    if (arg) {
      arg->value = made.get();
      arg->made = std::move(made);
    }
    return true;
  }

  static bool isSequence(PyObject *object, const char *container, const char *element) {
    return fromSequence(object, nullptr, sequenceTypes(container, element));
  }

  static bool sequenceArg(PyObject *object, SequenceArg<Vector> &arg, const char *message, const char *container,
                          const char *element) {
    bool converted = false;
    try {
      converted = fromSequence(object, &arg, sequenceTypes(container, element));
    } catch (const std::bad_alloc &) {
      converted = false;
    }
    if (!converted) return argumentError(kTypeError, message);
    return arg.value || nullReferenceError(message);
  }

  static bool isIterator(PyObject *object, ForwardIterator **iterator) {
    swig::SwigPyIterator *any = nullptr;
    if (!succeeded(toPointer(object, T_swig__SwigPyIterator, &any)) || !any) return false;
    auto *forward = dynamic_cast<ForwardIterator *>(any);
    if (iterator) *iterator = forward;
    return forward != nullptr;
  }

  static bool iteratorArg(PyObject *object, ForwardIterator **iterator, const char *message) {
    return isIterator(object, iterator) || argumentError(kTypeError, message);
  }

  // --- construction ---

  static Vector *make() { return new Vector(); }
  static Vector *make(size_t n) {
    sequence::ensureRoom(0, n, maxCount(), sizeof(T));
    return new Vector(n);
  }
  static Vector *make(size_t n, const T &value) {
    sequence::ensureRoom(0, n, maxCount(), sizeof(T));
    return new Vector(n, value);
  }
  static Vector *make(const Vector &other) { return new Vector(other); }

  // --- element access ---

  // An int, or a reference to the element that keeps `self` alive.
  static PyObject *item(PyObject *self, const Vector &v, size_t index) {
    if constexpr (Items::kByReference) {
      PyObject *result = newBorrowedResult(types()[Items::kType], self, types()[Container], index, elementAt);
      if (result && !isWrappedObject(result) && PyObject_SetAttr(result, containerName(), self) != 0) Py_CLEAR(result);
      return result;
    } else {
      return Items::copyOut(v[index]);
    }
  }

  static PyObject *getitem(PyObject *self, const Vector &v, ptrdiff_t i) {
    return item(self, v, sequence::elementIndex(i, v.size()));
  }
  static void setitem(Vector &v, ptrdiff_t i, const T &value) { v[sequence::elementIndex(i, v.size())] = value; }
  static void delitem(Vector &v, ptrdiff_t i) {
    size_t at = sequence::elementIndex(i, v.size());
    resizing(v);
    v.erase(v.begin() + ptrdiff_t(at));
  }

  static PyObject *front(PyObject *self, const Vector &v) {
    if (v.empty()) sequence::emptyVector("index out of range");
    return item(self, v, 0);
  }
  static PyObject *back(PyObject *self, const Vector &v) {
    if (v.empty()) sequence::emptyVector("index out of range");
    return item(self, v, v.size() - 1);
  }
  // The element leaves the vector before its Python object is made: making
  // it can run Python code, which may change the vector.
  static PyObject *pop(Vector &v) {
    if (v.empty()) sequence::emptyVector("pop from empty container");
    resizing(v);
    T last = std::move(v.back());
    v.pop_back();
    return Items::copyOut(last);
  }
  static void popBack(Vector &v) {
    if (v.empty()) sequence::emptyVector("pop from empty container");
    resizing(v);
    v.pop_back();
  }
  static void clear(Vector &v) {
    resizing(v);
    v.clear();
  }
  static void swap(Vector &v, Vector &other) {
    resizing(v);
    resizing(other);
    v.swap(other);
  }

  // --- slices ---

  static Vector read(const Vector &v, const sequence::Span &s) {
    Vector out;
    out.reserve(s.count);
    for (size_t k = 0; k < s.count; ++k) out.push_back(v[static_cast<size_t>(s.first + s.step * ptrdiff_t(k))]);
    return out;
  }

  static void erase(Vector &v, const sequence::Span &s) {
    if (s.count == 0 && s.step != 1) return;
    resizing(v);
    if (s.step == 1) {
      v.erase(v.begin() + s.first, v.begin() + s.last);
      return;
    }
    if (s.count == 0) return;
    // Extended slices: keep every element that is not one of the `count`
    // positions, in one pass.
    ptrdiff_t low = s.step > 0 ? s.first : s.first + s.step * ptrdiff_t(s.count - 1);
    ptrdiff_t stride = s.step > 0 ? s.step : -s.step;
    size_t kept = static_cast<size_t>(low);
    for (size_t from = kept; from < v.size(); ++from) {
      ptrdiff_t offset = ptrdiff_t(from) - low;
      bool removed = offset % stride == 0 && size_t(offset / stride) < s.count;
      if (!removed) v[kept++] = std::move(v[from]);
    }
    v.erase(v.begin() + ptrdiff_t(kept), v.end());
  }

  static void assign(Vector &v, const sequence::Span &s, const Vector &given) {
    Vector copy;
    const Vector &items = &given == &v ? (copy = given) : given;  // assigning a vector to a slice of itself
    if (s.step == 1) {
      resizing(v);
      size_t replaced = static_cast<size_t>(s.last - s.first);
      if (replaced <= items.size()) {
        ensureRoom(v, items.size() - replaced);
        v.reserve(v.size() - replaced + items.size());
        std::copy(items.begin(), items.begin() + ptrdiff_t(replaced), v.begin() + s.first);
        v.insert(v.begin() + s.last, items.begin() + ptrdiff_t(replaced), items.end());
      } else {
        v.erase(v.begin() + s.first, v.begin() + s.last);
        v.insert(v.begin() + s.first, items.begin(), items.end());
      }
      return;
    }
    if (items.size() != s.count) sequence::extendedSliceMismatch(items.size(), s.count);
    for (size_t k = 0; k < s.count; ++k) v[static_cast<size_t>(s.first + s.step * ptrdiff_t(k))] = items[k];
  }

  static Vector getslice(const Vector &v, ptrdiff_t i, ptrdiff_t j) {
    return read(v, sequence::adjust(i, j, 1, v.size()));
  }
  static void setslice(Vector &v, ptrdiff_t i, ptrdiff_t j, const Vector &items) {
    assign(v, sequence::adjust(i, j, 1, v.size()), items);
  }
  static void delslice(Vector &v, ptrdiff_t i, ptrdiff_t j) { erase(v, sequence::adjust(i, j, 1, v.size())); }
  static Vector getitem(const Vector &v, const SliceArg &slice) { return read(v, sliceSpan(slice, v.size())); }
  static void setitem(Vector &v, const SliceArg &slice, const Vector &items) {
    assign(v, sliceSpan(slice, v.size()), items);
  }
  static void delitem(Vector &v, const SliceArg &slice) { erase(v, sliceSpan(slice, v.size())); }

  // --- growth ---

  static void append(Vector &v, const T &value) {
    ensureRoom(v, 1);
    resizing(v);
    v.push_back(value);
  }
  static void reserve(Vector &v, size_t n) {
    if (n > v.size()) ensureRoom(v, n - v.size());
    if (n > v.capacity()) resizing(v);
    v.reserve(n);
  }
  static void resize(Vector &v, size_t n) {
    if (n > v.size()) ensureRoom(v, n - v.size());
    resizing(v);
    v.resize(n);
  }
  static void resize(Vector &v, size_t n, const T &value) {
    if (n > v.size()) ensureRoom(v, n - v.size());
    resizing(v);
    v.resize(n, value);
  }
  static void assign(Vector &v, size_t n, const T &value) {
    sequence::ensureRoom(0, n, maxCount(), sizeof(T));
    resizing(v);
    v.assign(n, value);
  }

  // --- iterators ---

  static PyObject *iterator(PyObject *self, const Vector &v) {
    ptrdiff_t end = ptrdiff_t(v.size());
    return ownedIterator(new swig::SwigPyIteratorClosed_T<VectorOps, swig::Forward>(0, 0, end, self));
  }
  static PyObject *forwardAt(PyObject *self, size_t index) {
    return ownedIterator(new swig::SwigPyIteratorOpen_T<VectorOps, swig::Forward>(ptrdiff_t(index), self));
  }
  static PyObject *reverseAt(PyObject *self, size_t base) {
    auto position = swig::Reverse::position(ptrdiff_t(base));
    return ownedIterator(new swig::SwigPyIteratorOpen_T<VectorOps, swig::Reverse>(position, self));
  }

  // Where an iterator argument points in `v`; `end` allows one past the last.
  static size_t positionIn(const Vector &v, const ForwardIterator &it, bool end) {
    if (&it.vector() != &v) throw std::invalid_argument("iterator belongs to another vector");
    ptrdiff_t i = it.index();
    if (i < 0 || size_t(i) > v.size() || (!end && size_t(i) == v.size()))
      throw std::out_of_range("iterator out of range");
    return size_t(i);
  }

  static PyObject *erase(PyObject *self, Vector &v, const ForwardIterator &pos) {
    size_t at = positionIn(v, pos, false);
    resizing(v);
    v.erase(v.begin() + ptrdiff_t(at));
    return forwardAt(self, at);
  }
  static PyObject *erase(PyObject *self, Vector &v, const ForwardIterator &first, const ForwardIterator &last) {
    size_t from = positionIn(v, first, true), to = positionIn(v, last, true);
    if (to < from) throw std::out_of_range("iterator out of range");
    resizing(v);
    v.erase(v.begin() + ptrdiff_t(from), v.begin() + ptrdiff_t(to));
    return forwardAt(self, from);
  }
  static PyObject *insert(PyObject *self, Vector &v, const ForwardIterator &pos, const T &value) {
    size_t at = positionIn(v, pos, true);
    ensureRoom(v, 1);
    resizing(v);
    v.insert(v.begin() + ptrdiff_t(at), value);
    return forwardAt(self, at);
  }
  static void insert(Vector &v, const ForwardIterator &pos, size_t n, const T &value) {
    size_t at = positionIn(v, pos, true);
    ensureRoom(v, n);
    resizing(v);
    v.insert(v.begin() + ptrdiff_t(at), n, value);
  }

  // A default allocator has no state: every call hands out the same one.
  static std::allocator<T> *allocator() {
    static std::allocator<T> shared;
    return &shared;
  }
};

}  // namespace tarn::rt
