#include "runtime/borrowed_object.h"

#include <mutex>

namespace tarn::rt {
namespace {

PyTypeObject gBorrowedType;

BorrowedObject *asBorrowed(PyObject *self) { return reinterpret_cast<BorrowedObject *>(self); }

// The owner reference can close a cycle (an element stored on its own
// container), so the collector must see it.
int borrowedTraverse(PyObject *self, visitproc visit, void *arg) {
  Py_VISIT(asBorrowed(self)->owner);
  Py_VISIT(asBorrowed(self)->base.next);
  return 0;
}

int borrowedClear(PyObject *self) {
  Py_CLEAR(asBorrowed(self)->owner);  // later conversions then report a stale reference
  return 0;
}

void borrowedDealloc(PyObject *self) {
  PyObject_GC_UnTrack(self);
  releaseWrappedObject(&asBorrowed(self)->base);
  Py_CLEAR(asBorrowed(self)->owner);
  PyObject_GC_Del(self);
}

PyTypeObject *borrowedType() {
  static std::once_flag once;
  std::call_once(once, [] {
    PyTypeObject &t = gBorrowedType;
    Py_SET_REFCNT(&t, 1);
    // The shared name makes it a wrapped object everywhere, other modules included.
    t.tp_name = "SwigPyObject";
    t.tp_basicsize = sizeof(BorrowedObject);
    t.tp_base = wrappedObjectType();
    t.tp_dealloc = borrowedDealloc;
    t.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC;
    t.tp_traverse = borrowedTraverse;
    t.tp_clear = borrowedClear;
    t.tp_doc = wrappedObjectType()->tp_doc;
    PyType_Ready(&t);
  });
  return &gBorrowedType;
}

}  // namespace

bool isBorrowedObject(const WrappedObject *object) { return Py_TYPE(object) == &gBorrowedType; }

void *currentPointer(WrappedObject *object) {
  BorrowedObject *borrowed = asBorrowed(reinterpret_cast<PyObject *>(object));
  void *owner = nullptr;
  void *found = nullptr;
  if (borrowed->owner && succeeded(convertPointer(borrowed->owner, &owner, borrowed->ownerType, 0)) && owner)
    found = borrowed->locate(owner, borrowed->index);
  object->ptr = found;  // keeps int() and == truthful
  return found;
}

PyObject *newBorrowedResult(TypeInfo *type, PyObject *owner, TypeInfo *ownerType, size_t index, Locator locate) {
  // Hold the wrapped object the call worked on, not the proxy it came
  // through: a proxy's "this" may name another object by the next use.
  if (WrappedObject *wrapped = wrappedObjectOf(owner)) owner = reinterpret_cast<PyObject *>(wrapped);
  if (PyErr_Occurred()) return nullptr;
  void *native = nullptr;
  if (!succeeded(convertPointer(owner, &native, ownerType, 0)) || !native || !(native = locate(native, index))) {
    PyErr_SetString(PyExc_IndexError, "index out of range");
    return nullptr;
  }
  BorrowedObject *object = PyObject_GC_New(BorrowedObject, borrowedType());
  if (!object) return nullptr;
  object->base.ptr = native;
  object->base.type = type;
  object->base.own = 0;
  object->base.next = nullptr;
  object->base.keeper = nullptr;
  object->base.linked = 0;
  Py_INCREF(owner);
  object->owner = owner;
  object->ownerType = ownerType;
  object->index = index;
  object->locate = locate;
  PyObject_GC_Track(reinterpret_cast<PyObject *>(object));
  return resultFor(reinterpret_cast<PyObject *>(object), type, 0);
}

}  // namespace tarn::rt
