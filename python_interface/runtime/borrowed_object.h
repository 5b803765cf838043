// Borrowed wrapped objects: the non-owning results that point into another
// Python object's native object (an element of a vector, an iterator handed
// back by its own increment).  A plain wrapped object would keep the address
// it was made with, which a vector invalidates whenever it reallocates or
// shrinks.  A borrowed object instead keeps its owner alive and finds its
// native pointer anew through the owner on every conversion; when the owner
// no longer has it, the conversion fails with kStaleReference
// (type_registry.h).
#pragma once

#include <Python.h>

#include <cstddef>

#include "runtime/wrapped_object.h"

namespace tarn::rt {

// Finds the native object at `index` inside the owner's native object, or
// returns nullptr when there is none (any more).
using Locator = void *(*)(void *owner, size_t index);

struct BorrowedObject {
  WrappedObject base;
  PyObject *owner;      // the owner's Python object (strong reference)
  TypeInfo *ownerType;  // what the owner converts to
  size_t index;
  Locator locate;
};

bool isBorrowedObject(const WrappedObject *object);

// The borrowed object's native pointer as of now, or nullptr.
void *currentPointer(WrappedObject *object);

// A non-owning result (a proxy instance when the class is registered) for
// the native object that `locate` finds at `index` inside `owner`.
PyObject *newBorrowedResult(TypeInfo *type, PyObject *owner, TypeInfo *ownerType, size_t index, Locator locate);

// The owner's own native object, for owners that hand out themselves.
inline void *ownerItself(void *owner, size_t) { return owner; }

}  // namespace tarn::rt
