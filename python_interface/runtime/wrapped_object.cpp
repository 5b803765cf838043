#include "runtime/wrapped_object.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "runtime/borrowed_object.h"
#include "runtime/call_scope.h"

namespace tarn::rt {
namespace {

constexpr const char *kObjectDoc = "Swig object carries a C/C++ instance pointer";
constexpr size_t kPackedReprLimit = 1024;

void takeCapsuleReference() { Py_XINCREF(sharedCapsule()); }
void dropCapsuleReference() { Py_XDECREF(sharedCapsule()); }

PyObject *objectRepr(PyObject *self) {
  // One text per object of the chain, joined once at the end: chains may be
  // long.
  PyObject *parts = PyList_New(0);
  if (!parts) return nullptr;
  for (PyObject *link = self; link; link = reinterpret_cast<WrappedObject *>(link)->next) {
    auto *object = reinterpret_cast<WrappedObject *>(link);
    PyObject *part = PyUnicode_FromFormat("<Swig Object of type '%s' at %p>", displayName(object->type),
                                          static_cast<void *>(object));
    if (!part || PyList_Append(parts, part) < 0) {
      Py_XDECREF(part);
      Py_DECREF(parts);
      return nullptr;
    }
    Py_DECREF(part);
  }
  PyObject *empty = PyUnicode_New(0, 0);
  PyObject *text = empty ? PyUnicode_Join(empty, parts) : nullptr;
  Py_XDECREF(empty);
  Py_DECREF(parts);
  return text;
}

void callDestroy(WrappedObject *object, ClassData *data) {
  PyObject *type, *value, *traceback;
  PyErr_Fetch(&type, &value, &traceback);
  PyObject *result = nullptr;
  if (data->destroyTakesTemporary) {
    PyObject *temporary = newBareObject(object->ptr, object->type, 0);
    if (temporary) {
      result = PyObject_CallFunctionObjArgs(data->destroy, temporary, nullptr);
      Py_DECREF(temporary);
    }
  } else {
    PyCFunction function = PyCFunction_GET_FUNCTION(data->destroy);
    PyObject *bound = PyCFunction_GET_SELF(data->destroy);
    result = function(bound, reinterpret_cast<PyObject *>(object));
  }
  if (!result) PyErr_WriteUnraisable(data->destroy);
  PyErr_Restore(type, value, traceback);
  Py_XDECREF(result);
}

bool isOwnType(PyObject *object) {
  return Py_TYPE(object) == wrappedObjectType() || PyType_IsSubtype(Py_TYPE(object), wrappedObjectType());
}

// Drops the chain behind a dying object one link at a time: released
// recursively, a long chain would exhaust the stack.
void releaseChain(PyObject *next) {
  while (next) {
    if (Py_REFCNT(next) > 1 || !isOwnType(next)) {
      Py_DECREF(next);
      return;
    }
    auto *link = reinterpret_cast<WrappedObject *>(next);
    PyObject *tail = link->next;
    link->next = nullptr;
    Py_DECREF(next);
    next = tail;
  }
}

}  // namespace

void releaseWrappedObject(WrappedObject *object) {
  if (object->own == 1) {
    ClassData *data = object->type ? object->type->clientData : nullptr;
    if (data && data->destroy) {
      callDestroy(object, data);
    } else {
      std::printf("swig/python detected a memory leak of type '%s', no destructor found.\n", displayName(object->type));
      std::fflush(stdout);
    }
    if (object->own == 1) dropCapsuleReference();
  }
  Py_CLEAR(object->keeper);
  PyObject *next = object->next;
  object->next = nullptr;
  releaseChain(next);
}

namespace {

void objectDealloc(PyObject *self) {
  releaseWrappedObject(reinterpret_cast<WrappedObject *>(self));
  PyObject_Free(self);
}

PyObject *objectRichCompare(PyObject *left, PyObject *right, int op) {
  if ((op != Py_EQ && op != Py_NE) || !isWrappedObject(left) || !isWrappedObject(right))
    Py_RETURN_NOTIMPLEMENTED;
  bool equal = reinterpret_cast<WrappedObject *>(left)->ptr == reinterpret_cast<WrappedObject *>(right)->ptr;
  return PyBool_FromLong(op == Py_EQ ? equal : !equal);
}

PyObject *objectInt(PyObject *self) { return PyLong_FromVoidPtr(reinterpret_cast<WrappedObject *>(self)->ptr); }

PyObject *methodDisown(PyObject *self, PyObject *) {
  setOwn(reinterpret_cast<WrappedObject *>(self), 0);
  Py_RETURN_NONE;
}

PyObject *methodAcquire(PyObject *self, PyObject *) {
  setOwn(reinterpret_cast<WrappedObject *>(self), 1);
  Py_RETURN_NONE;
}

PyObject *methodOwn(PyObject *self, PyObject *args) {
  PyObject *value = nullptr;
  if (!PyArg_UnpackTuple(args, "own", 0, 1, &value)) return nullptr;
  auto *object = reinterpret_cast<WrappedObject *>(self);
  PyObject *previous = PyBool_FromLong(object->own);
  if (value) {
    int truth = PyObject_IsTrue(value);
    if (truth < 0) {
      Py_DECREF(previous);
      return nullptr;
    }
    setOwn(object, truth ? 1 : 0);
  }
  return previous;
}

PyObject *methodAppend(PyObject *self, PyObject *other) {
  if (!isWrappedObject(other)) {
    PyErr_SetString(PyExc_TypeError, "Attempt to append a non SwigPyObject");
    return nullptr;
  }
  auto *object = reinterpret_cast<WrappedObject *>(self);
  auto *appended = reinterpret_cast<WrappedObject *>(other);
  // A chain that loops back would make every walk over it endless. The
  // appended object leaves its own chain behind, so only an object that
  // already stands behind this one could close a loop; only an object that
  // has been linked before can stand there. Such an object stays where it is.
  if (other == self) Py_RETURN_NONE;
  if (appended->linked)
    for (PyObject *link = object->next; link; link = reinterpret_cast<WrappedObject *>(link)->next)
      if (link == other) Py_RETURN_NONE;
  Py_INCREF(other);
  PyObject *dropped = appended->next;
  appended->next = object->next;  // the reference moves along with the link
  appended->linked = 1;
  object->next = other;
  Py_XDECREF(dropped);  // last: releasing it can run code
  Py_RETURN_NONE;
}

PyObject *methodNext(PyObject *self, PyObject *) {
  PyObject *next = reinterpret_cast<WrappedObject *>(self)->next;
  if (!next) Py_RETURN_NONE;
  Py_INCREF(next);
  return next;
}

PyObject *methodRepr(PyObject *self, PyObject *) { return objectRepr(self); }

PyMethodDef gObjectMethods[] = {
    {"disown", methodDisown, METH_NOARGS, "releases ownership of the pointer"},
    {"acquire", methodAcquire, METH_NOARGS, "acquires ownership of the pointer"},
    {"own", methodOwn, METH_VARARGS, "returns/sets ownership of the pointer"},
    {"append", methodAppend, METH_O, "appends another 'this' object"},
    {"next", methodNext, METH_NOARGS, "returns the next 'this' object"},
    {"__repr__", methodRepr, METH_NOARGS, "returns object representation"},
    {nullptr, nullptr, 0, nullptr}};

PyNumberMethods gObjectNumber;
PyTypeObject gObjectType;

std::string packedHex(const PackedObject *packed) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  const auto *bytes = static_cast<const unsigned char *>(packed->pack);
  for (size_t i = 0; i < packed->size; ++i) {
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 0xf];
  }
  return text;
}

const char *mangledName(const PackedObject *packed) {
  return packed->type && packed->type->name ? packed->type->name : "unknown";
}

PyObject *packedRepr(PyObject *self) {
  auto *packed = reinterpret_cast<PackedObject *>(self);
  if (2 * packed->size + 2 > kPackedReprLimit) return PyUnicode_FromFormat("<Swig Packed %s>", mangledName(packed));
  return PyUnicode_FromFormat("<Swig Packed at _%s%s>", packedHex(packed).c_str(), mangledName(packed));
}

PyObject *packedStr(PyObject *self) {
  auto *packed = reinterpret_cast<PackedObject *>(self);
  if (2 * packed->size + 2 > kPackedReprLimit) return PyUnicode_FromString(mangledName(packed));
  return PyUnicode_FromFormat("%s%s", packedHex(packed).c_str(), mangledName(packed));
}

void packedDealloc(PyObject *self) {
  PyMem_Free(reinterpret_cast<PackedObject *>(self)->pack);
  PyObject_Free(self);
}

PyTypeObject gPackedType;

}  // namespace

PyTypeObject *wrappedObjectType() {
  static std::once_flag once;
  std::call_once(once, [] {
    gObjectNumber.nb_int = objectInt;
    PyTypeObject &t = gObjectType;
    Py_SET_REFCNT(&t, 1);
    t.tp_name = "SwigPyObject";
    t.tp_basicsize = sizeof(WrappedObject);
    t.tp_dealloc = objectDealloc;
    t.tp_repr = objectRepr;
    t.tp_as_number = &gObjectNumber;
    t.tp_getattro = PyObject_GenericGetAttr;
    t.tp_flags = Py_TPFLAGS_DEFAULT;
    t.tp_doc = kObjectDoc;
    t.tp_richcompare = objectRichCompare;
    t.tp_methods = gObjectMethods;
    PyType_Ready(&t);
  });
  return &gObjectType;
}

PyTypeObject *packedObjectType() {
  static std::once_flag once;
  std::call_once(once, [] {
    PyTypeObject &t = gPackedType;
    Py_SET_REFCNT(&t, 1);
    t.tp_name = "SwigPyPacked";
    t.tp_basicsize = sizeof(PackedObject);
    t.tp_dealloc = packedDealloc;
    t.tp_repr = packedRepr;
    t.tp_str = packedStr;
    t.tp_getattro = PyObject_GenericGetAttr;
    t.tp_flags = Py_TPFLAGS_DEFAULT;
    t.tp_doc = kObjectDoc;
    PyType_Ready(&t);
  });
  return &gPackedType;
}

bool isWrappedObject(PyObject *object) {
  PyTypeObject *type = Py_TYPE(object);
  return type == &gObjectType || std::strcmp(type->tp_name, "SwigPyObject") == 0;
}

namespace {

// The "this" attribute of a proxy (a new reference), or nullptr.
PyObject *thisAttribute(PyObject *object) {
  // Fast path: proxy instances keep "this" in their instance dictionary.
  if (PyObject **dict = _PyObject_GetDictPtr(object); dict && *dict && !PyType_Check(object)) {
    PyObject *dictionary = *dict;
    Py_INCREF(dictionary);  // the lookup may run code that replaces the dictionary
    PyObject *attribute = PyDict_GetItemWithError(dictionary, thisName());
    Py_XINCREF(attribute);
    Py_DECREF(dictionary);
    if (attribute) return attribute;
    if (PyErr_Occurred()) PyErr_Clear();
  }
  PyObject *attribute = PyObject_GetAttr(object, thisName());
  if (!attribute) PyErr_Clear();
  return attribute;
}

}  // namespace

WrappedObject *wrappedObjectOf(PyObject *object) {
  CallScope *scope = CallScope::current();
  for (int depth = 0; object; ++depth) {
    if (isWrappedObject(object)) return reinterpret_cast<WrappedObject *>(object);
    if (depth == kMaxThisDepth) return nullptr;  // a cycle, or a chain too long to be a proxy's
    PyObject *attribute = thisAttribute(object);
    if (!attribute) return nullptr;
    // The attribute may have been made for this lookup, or be dropped by
    // code that runs later in the call: the scope keeps it until the end.
    if (scope)
      scope->keep(attribute);
    else
      Py_DECREF(attribute);
    if (attribute == object) return nullptr;
    object = attribute;
  }
  return nullptr;
}

void *resolvedPointer(WrappedObject *object) {
  if (isBorrowedObject(object)) return currentPointer(object);
  // Keepers are always newer objects than what they keep, so this ends.
  while (object->ptr && object->keeper) object = reinterpret_cast<WrappedObject *>(object->keeper);
  return object->ptr;
}

void handOwnershipTo(WrappedObject *object, PyObject *heir) {
  Py_INCREF(heir);
  Py_XSETREF(object->keeper, heir);
  setOwn(object, 0);
}

void setOwn(WrappedObject *object, int own) {
  if (object->own == own) return;
  // A borrowed object points into another object's storage, and one that
  // handed its ownership on shares its native object with the heir: owning
  // it would delete memory that is freed again elsewhere.
  if (own && (isBorrowedObject(object) || object->keeper)) return;
  if (own)
    takeCapsuleReference();
  else
    dropCapsuleReference();
  object->own = own;
}

PyObject *newBareObject(void *ptr, TypeInfo *type, int own) {
  auto *object = PyObject_New(WrappedObject, wrappedObjectType());
  if (!object) return nullptr;
  object->ptr = ptr;
  object->type = type;
  object->own = own ? 1 : 0;
  object->next = nullptr;
  object->keeper = nullptr;
  object->linked = 0;
  if (object->own) takeCapsuleReference();
  return reinterpret_cast<PyObject *>(object);
}

PyObject *newResultObject(void *ptr, TypeInfo *type, int flags) {
  if (!ptr) Py_RETURN_NONE;
  return resultFor(newBareObject(ptr, type, flags & kOwn), type, flags);
}

PyObject *resultFor(PyObject *bare, TypeInfo *type, int flags) {
  if (!bare) return nullptr;
  // Making the proxy instance can run Python code (a proxy class of the
  // caller's own); the caller learns of a failure and still owns the native
  // object, so the bare object must neither delete nor show it.
  auto abandon = [bare] {
    auto *object = reinterpret_cast<WrappedObject *>(bare);
    setOwn(object, 0);
    object->ptr = nullptr;
    Py_DECREF(bare);
    return nullptr;
  };
  ClassData *data = type ? type->clientData : nullptr;
  if (!data || (flags & kBare)) return bare;
  PyObject *instance = nullptr;
  if (data->rawNew) {
    instance = PyObject_Call(data->rawNew, data->rawNewArgs, nullptr);
    if (instance && PyObject_SetAttr(instance, thisName(), bare) != 0) Py_CLEAR(instance);
    if (!instance) return abandon();
  } else {
    auto *proxyType = reinterpret_cast<PyTypeObject *>(data->proxyClass);
    PyObject *emptyArgs = PyTuple_New(0);
    PyObject *emptyKeywords = PyDict_New();
    if (!proxyType->tp_new)
      PyErr_Format(PyExc_TypeError, "cannot create '%s' instances", proxyType->tp_name);
    else if (emptyArgs && emptyKeywords)
      instance = proxyType->tp_new(proxyType, emptyArgs, emptyKeywords);
    Py_XDECREF(emptyArgs);
    Py_XDECREF(emptyKeywords);
    if (instance) {
      if (PyObject_SetAttr(instance, thisName(), bare) != 0)
        Py_CLEAR(instance);
      else
        PyType_Modified(proxyType);
    }
    if (!instance) return abandon();
  }
  Py_DECREF(bare);
  return instance;
}

void forgetPointer(PyObject *object, void *ptr) {
  for (WrappedObject *link = wrappedObjectOf(object); link; link = reinterpret_cast<WrappedObject *>(link->next))
    if (link->ptr == ptr) link->ptr = nullptr;
}

void freeClassData(ClassData *data) {
  Py_XDECREF(data->proxyClass);
  Py_XDECREF(data->rawNew);
  Py_XDECREF(data->rawNewArgs);
  Py_XDECREF(data->destroy);
  delete data;
}

namespace {

ClassData *newClassData(PyObject *proxyClass) {
  auto *data = new ClassData{};
  Py_INCREF(proxyClass);
  data->proxyClass = proxyClass;
  if (!PyType_Check(proxyClass)) {
    data->rawNew = PyObject_GetAttrString(proxyClass, "__new__");
    if (!data->rawNew) PyErr_Clear();
  }
  if (data->rawNew) {
    data->rawNewArgs = PyTuple_Pack(1, proxyClass);
  } else {
    Py_INCREF(proxyClass);
    data->rawNewArgs = proxyClass;
  }
  data->destroy = PyObject_GetAttrString(proxyClass, "__swig_destroy__");
  if (!data->destroy) PyErr_Clear();
  if (data->destroy) {
    bool oneArgument = PyCFunction_Check(data->destroy) && (PyCFunction_GET_FLAGS(data->destroy) & METH_O);
    data->destroyTakesTemporary = oneArgument ? 0 : 1;
  }
  return data;
}

void shareWithEquivalents(TypeInfo *type, ClassData *data, ClassData *replaced) {
  for (CastEntry *entry = type->cast; entry; entry = entry->next) {
    if (entry->converter || entry->type == type) continue;
    if (!entry->type->clientData || entry->type->clientData == replaced) {
      entry->type->clientData = data;
      shareWithEquivalents(entry->type, data, replaced);
    }
  }
}

}  // namespace

PyObject *registerProxyClass(TypeInfo *type, PyObject *arg) {
  PyObject *proxyClass = arg;
  if (PyTuple_Check(arg)) {
    if (PyTuple_GET_SIZE(arg) != 1) {
      PyErr_Format(PyExc_TypeError, "%s expected %s%d arguments, got %d", "swigregister", "", 1,
                   static_cast<int>(PyTuple_GET_SIZE(arg)));
      return nullptr;
    }
    proxyClass = PyTuple_GET_ITEM(arg, 0);
  }
  ClassData *replaced = type->ownsClientData ? type->clientData : nullptr;
  ClassData *data = newClassData(proxyClass);
  type->clientData = data;
  shareWithEquivalents(type, data, replaced);
  type->ownsClientData = 1;
  if (replaced) freeClassData(replaced);
  Py_RETURN_NONE;
}

PyObject *initProxyInstance(PyObject *, PyObject *args) {
  CallScope scope;
  if (!args) {
    PyErr_Format(PyExc_TypeError, "%s expected %s%d arguments, got none", "swiginit", "", 2);
    return nullptr;
  }
  if (!PyTuple_Check(args) || PyTuple_GET_SIZE(args) != 2) {
    PyErr_Format(PyExc_TypeError, "%s expected %s%d arguments, got %d", "swiginit", "", 2,
                 PyTuple_Check(args) ? static_cast<int>(PyTuple_GET_SIZE(args)) : 1);
    return nullptr;
  }
  PyObject *self = PyTuple_GET_ITEM(args, 0);
  PyObject *object = PyTuple_GET_ITEM(args, 1);
  if (WrappedObject *existing = wrappedObjectOf(self)) {
    PyObject *result = methodAppend(reinterpret_cast<PyObject *>(existing), object);
    if (!result) return nullptr;
    Py_DECREF(result);
  } else if (PyObject_SetAttr(self, thisName(), object) != 0) {
    return nullptr;
  }
  Py_RETURN_NONE;
}

}  // namespace tarn::rt
