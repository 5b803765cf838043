#include "runtime/wrapped_object.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "runtime/borrowed_object.h"

namespace tarn::rt {
namespace {

constexpr const char *kObjectDoc = "Swig object carries a C/C++ instance pointer";
constexpr size_t kPackedReprLimit = 1024;

void takeCapsuleReference() { Py_XINCREF(sharedCapsule()); }
void dropCapsuleReference() { Py_XDECREF(sharedCapsule()); }

PyObject *objectRepr(PyObject *self) {
  auto *object = reinterpret_cast<WrappedObject *>(self);
  PyObject *text = PyUnicode_FromFormat("<Swig Object of type '%s' at %p>", displayName(object->type),
                                        static_cast<void *>(object));
  if (text && object->next) {
    PyObject *tail = objectRepr(object->next);
    if (!tail) {
      Py_DECREF(text);
      return nullptr;
    }
    PyObject *joined = PyUnicode_Concat(text, tail);
    Py_DECREF(text);
    Py_DECREF(tail);
    text = joined;
  }
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
  Py_CLEAR(object->next);
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
  // A chain that loops back would make every walk over it endless.
  for (PyObject *link = other; link; link = reinterpret_cast<WrappedObject *>(link)->next)
    if (link == self) Py_RETURN_NONE;
  Py_INCREF(other);
  Py_XDECREF(appended->next);
  appended->next = object->next;  // the reference moves along with the link
  object->next = other;
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

WrappedObject *wrappedObjectOf(PyObject *object) {
  while (object) {
    if (isWrappedObject(object)) return reinterpret_cast<WrappedObject *>(object);
    PyObject *attribute = nullptr;
    // Fast path: proxy instances keep "this" in their instance dictionary.
    if (PyObject **dict = _PyObject_GetDictPtr(object); dict && *dict && !PyType_Check(object)) {
      attribute = PyDict_GetItemWithError(*dict, thisName());
      if (!attribute && PyErr_Occurred()) PyErr_Clear();
    }
    if (!attribute) {
      attribute = PyObject_GetAttr(object, thisName());
      if (!attribute) {
        PyErr_Clear();
        return nullptr;
      }
      Py_DECREF(attribute);  // the instance keeps it alive
    }
    if (attribute == object) return nullptr;
    object = attribute;
  }
  return nullptr;
}

void setOwn(WrappedObject *object, int own) {
  if (object->own == own) return;
  // A borrowed object points into another object's storage; owning it
  // would delete memory that its owner frees again.
  if (own && isBorrowedObject(object)) return;
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
  if (object->own) takeCapsuleReference();
  return reinterpret_cast<PyObject *>(object);
}

PyObject *newResultObject(void *ptr, TypeInfo *type, int flags) {
  if (!ptr) Py_RETURN_NONE;
  return resultFor(newBareObject(ptr, type, flags & kOwn), type, flags);
}

PyObject *resultFor(PyObject *bare, TypeInfo *type, int flags) {
  if (!bare) return nullptr;
  ClassData *data = type ? type->clientData : nullptr;
  if (!data || (flags & kBare)) return bare;
  PyObject *instance = nullptr;
  if (data->rawNew) {
    instance = PyObject_Call(data->rawNew, data->rawNewArgs, nullptr);
    if (instance && PyObject_SetAttr(instance, thisName(), bare) != 0) Py_CLEAR(instance);
  } else {
    auto *proxyType = reinterpret_cast<PyTypeObject *>(data->proxyClass);
    PyObject *emptyArgs = PyTuple_New(0);
    PyObject *emptyKeywords = PyDict_New();
    if (emptyArgs && emptyKeywords) instance = proxyType->tp_new(proxyType, emptyArgs, emptyKeywords);
    Py_XDECREF(emptyArgs);
    Py_XDECREF(emptyKeywords);
    if (instance) {
      if (PyObject_SetAttr(instance, thisName(), bare) != 0)
        Py_CLEAR(instance);
      else
        PyType_Modified(proxyType);
    }
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
