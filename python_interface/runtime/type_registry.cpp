#include "runtime/type_registry.h"

#include <cstring>

#include "runtime/borrowed_object.h"
#include "runtime/call_scope.h"
#include "runtime/type_table.h"
#include "runtime/wrapped_object.h"

namespace tarn::rt {
namespace {

constexpr const char *kSharedModuleName = "swig_runtime_data4";
constexpr const char *kCapsuleAttribute = "type_pointer_capsule";
constexpr const char *kCapsuleName = "swig_runtime_data4.type_pointer_capsule";

TypeInfo *gTypes[kTypeCount + 1];
TypeInfo *gTypeInitialTable[kTypeCount];
CastEntry *gCastInitialTable[kTypeCount];
ModuleRecord gModule = {gTypes, kTypeCount, nullptr, gTypeInitialTable, gCastInitialTable, nullptr};

int gInterpreterCount = 0;
PyObject *gCapsule = nullptr;      // the module-global reference to the shared capsule
PyObject *gThisName = nullptr;
PyObject *gLookupCache = nullptr;

ModuleRecord *importSharedRecord() {
  auto *record = static_cast<ModuleRecord *>(PyCapsule_Import(kCapsuleName, 0));
  if (PyErr_Occurred()) {
    PyErr_Clear();
    record = nullptr;
  }
  return record;
}

// Binary search of one module's table by mangled name.
TypeInfo *searchRecord(ModuleRecord *record, const char *name) {
  size_t low = 0, high = record->size;
  while (low < high) {
    size_t middle = (low + high) / 2;
    const char *candidate = record->types[middle] ? record->types[middle]->name : nullptr;
    if (!candidate) break;
    int order = std::strcmp(name, candidate);
    if (order == 0) return record->types[middle];
    if (order < 0)
      high = middle;
    else
      low = middle + 1;
  }
  return nullptr;
}

// Searches the records of the circular list from `start` up to (excluding) `end`.
TypeInfo *searchMangled(ModuleRecord *start, ModuleRecord *end, const char *name) {
  ModuleRecord *record = start;
  do {
    if (TypeInfo *found = searchRecord(record, name)) return found;
    record = record->next;
  } while (record && record != end);
  return nullptr;
}

// Compares `name` with one '|'-separated spelling, ignoring blanks.
bool spellingEquals(const char *name, const char *begin, const char *end) {
  const char *n = name;
  for (;;) {
    while (*n == ' ') ++n;
    while (begin != end && *begin == ' ') ++begin;
    if (!*n || begin == end) return !*n && begin == end;
    if (*n++ != *begin++) return false;
  }
}

bool prettyMatches(const TypeInfo *type, const char *name) {
  if (!type->prettyName) return false;
  const char *begin = type->prettyName;
  for (;;) {
    const char *end = std::strchr(begin, '|');
    if (!end) return spellingEquals(name, begin, begin + std::strlen(begin));
    if (spellingEquals(name, begin, end)) return true;
    begin = end + 1;
  }
}

TypeInfo *searchPretty(ModuleRecord *start, const char *name) {
  ModuleRecord *record = start;
  do {
    for (size_t i = 0; i < record->size && record->types[i]; ++i)
      if (prettyMatches(record->types[i], name)) return record->types[i];
    record = record->next;
  } while (record && record != start);
  return nullptr;
}

void pushCast(TypeInfo *owner, CastEntry *entry) {
  entry->prev = nullptr;
  entry->next = owner->cast;
  if (owner->cast) owner->cast->prev = entry;
  owner->cast = entry;
}

CastEntry *findCastByName(TypeInfo *owner, const char *name) {
  for (CastEntry *entry = owner->cast; entry; entry = entry->next)
    if (std::strcmp(entry->type->name, name) == 0) return entry;
  return nullptr;
}

void destroyCapsule(PyObject *) {
  if (--gInterpreterCount != 0) return;
  for (size_t i = 0; i < gModule.size; ++i) {
    TypeInfo *type = gModule.types[i];
    if (type && type->ownsClientData && type->clientData) {
      ClassData *data = type->clientData;
      type->clientData = nullptr;
      type->ownsClientData = 0;
      freeClassData(data);
    }
  }
  Py_CLEAR(gThisName);
  Py_CLEAR(gLookupCache);
  gCapsule = nullptr;
}

}  // namespace

TypeInfo **types() { return gTypes; }
PyObject *sharedCapsule() { return gCapsule; }

PyObject *thisName() {
  if (!gThisName) gThisName = PyUnicode_InternFromString("this");
  return gThisName;
}

PyObject *lookupCache() {
  if (!gLookupCache) gLookupCache = PyDict_New();
  return gLookupCache;
}

void initializeRegistry() {
  bool firstCall = false;
  if (!gModule.next) {
    for (size_t i = 0; i < kTypeCount; ++i) {
      gTypeInitialTable[i] = typeInitial(i);
      gCastInitialTable[i] = castInitial(i);
    }
    gModule.next = &gModule;
    firstCall = true;
  }

  if (ModuleRecord *shared = importSharedRecord()) {
    ModuleRecord *record = shared;
    do {
      if (record == &gModule) return;  // already joined
      record = record->next;
    } while (record && record != shared);
    gModule.next = shared->next;
    shared->next = &gModule;
  } else {
    PyObject *holder = PyImport_AddModule(kSharedModuleName);  // borrowed
    PyObject *capsule = PyCapsule_New(&gModule, kCapsuleName, destroyCapsule);
    if (holder && capsule && PyModule_AddObject(holder, kCapsuleAttribute, capsule) == 0) {
      ++gInterpreterCount;
      gCapsule = capsule;
    } else {
      Py_XDECREF(capsule);
      PyErr_Clear();
    }
  }
  if (!firstCall) return;

  const bool othersExist = gModule.next != &gModule;
  for (size_t i = 0; i < kTypeCount; ++i) {
    TypeInfo *local = gModule.typeInitial[i];
    TypeInfo *serving = local;
    if (othersExist) {
      if (TypeInfo *foreign = searchMangled(gModule.next, &gModule, local->name)) {
        if (local->clientData) foreign->clientData = local->clientData;
        serving = foreign;
      }
    }
    for (CastEntry *entry = gModule.castInitial[i]; entry->type; ++entry) {
      TypeInfo *foreignSource = othersExist ? searchMangled(gModule.next, &gModule, entry->type->name) : nullptr;
      if (foreignSource) {
        if (serving == local) {
          entry->type = foreignSource;
          pushCast(serving, entry);
        } else if (!findCastByName(serving, entry->type->name)) {
          pushCast(serving, entry);
        }
      } else {
        pushCast(serving, entry);
      }
    }
    gTypes[i] = serving;
  }
  gTypes[kTypeCount] = nullptr;
}

TypeInfo *lookupType(const char *name) {
  PyObject *cache = lookupCache();
  PyObject *key = PyUnicode_FromString(name);
  if (!key) {
    PyErr_Clear();
    return nullptr;
  }
  TypeInfo *found = nullptr;
  if (PyObject *cached = cache ? PyDict_GetItem(cache, key) : nullptr) {
    found = static_cast<TypeInfo *>(PyCapsule_GetPointer(cached, nullptr));
  } else {
    ModuleRecord *start = importSharedRecord();
    if (!start) start = &gModule;
    found = searchMangled(start, start, name);
    if (!found) found = searchPretty(start, name);
    if (found && cache) {
      PyObject *capsule = PyCapsule_New(found, nullptr, nullptr);
      if (capsule) PyDict_SetItem(cache, key, capsule);
      Py_XDECREF(capsule);
      PyErr_Clear();
    }
  }
  Py_DECREF(key);
  return found;
}

CastEntry *castCheck(TypeInfo *from, TypeInfo *to) {
  for (CastEntry *entry = to->cast; entry; entry = entry->next) {
    if (std::strcmp(entry->type->name, from->name) != 0) continue;
    if (entry != to->cast) {  // most recently used first
      entry->prev->next = entry->next;
      if (entry->next) entry->next->prev = entry->prev;
      entry->next = to->cast;
      entry->prev = nullptr;
      to->cast->prev = entry;
      to->cast = entry;
    }
    return entry;
  }
  return nullptr;
}

const char *displayName(const TypeInfo *type) {
  if (!type) return "unknown";
  if (type->prettyName) {
    const char *last = std::strrchr(type->prettyName, '|');
    return last ? last + 1 : type->prettyName;
  }
  return type->name ? type->name : "unknown";
}

namespace {

int implicitConversion(PyObject *object, void **result, TypeInfo *type, int *own) {
  ClassData *data = type ? type->clientData : nullptr;
  if (!data || !data->proxyClass || data->implicitConversionActive) return kError;
  data->implicitConversionActive = 1;
  PyObject *instance = PyObject_CallFunctionObjArgs(data->proxyClass, object, nullptr);
  data->implicitConversionActive = 0;
  if (!instance) {
    PyErr_Clear();
    return kError;
  }
  int status = kError;
  WrappedObject *wrapped = wrappedObjectOf(instance);
  void *pointer = nullptr;
  // Only an instance that owns its native object can hand it over (a proxy
  // class of the caller's own could offer somebody else's).
  if (wrapped && wrapped->own && !wrapped->keeper &&
      succeeded(convertPointer(reinterpret_cast<PyObject *>(wrapped), &pointer, type, 0)) && pointer) {
    if (result) {
      // The caller takes over the native object made for this call; the
      // temporary instance, which its class may have kept somewhere, lets
      // go of it entirely.
      setOwn(wrapped, 0);
      wrapped->ptr = nullptr;
      *result = pointer;
      if (own) *own = 0;
    }
    status = kOk | kNewObjectBit;
  }
  Py_DECREF(instance);
  return status;
}

}  // namespace

int convertPointer(PyObject *object, void **result, TypeInfo *type, int flags, int *own) {
  if (!object) return kError;
  const bool implicit = (flags & kImplicitConversion) != 0;
  if (object == Py_None && !implicit) {
    if (flags & kNoNull) return kNullReference;
    if (result) *result = nullptr;
    if (own) *own = 0;
    return kOk;
  }
  if (own) *own = 0;
  WrappedObject *wrapped = wrappedObjectOf(object);
  for (WrappedObject *candidate = wrapped; candidate;
       candidate = reinterpret_cast<WrappedObject *>(candidate->next)) {
    CastEntry *entry = nullptr;
    if (type && candidate->type != type) {
      entry = candidate->type ? castCheck(candidate->type, type) : nullptr;
      if (!entry) continue;
    }
    // Elements of vectors and objects that handed their ownership on are
    // found anew through their owner: it may have moved or deleted them.
    void *native = resolvedPointer(candidate);
    if (!native) {
      if (isBorrowedObject(candidate)) return kStaleReference;
      if (flags & kNoNull) return kNullReference;  // deleted or moved from
    }
    void *pointer = native;
    if (entry && entry->converter) {
      pointer = nullptr;
      if (result && native) {  // a mere check must not allocate
        int newMemory = 0;
        pointer = entry->converter(native, &newMemory);
        if (newMemory && own) *own |= kNewMemory;
      }
    }
    if ((flags & kRelease) == kRelease && !candidate->own) return kNotOwned;
    if (own) *own |= candidate->own;
    if (flags & kDisown) setOwn(candidate, 0);
    if (flags & kClear) candidate->ptr = nullptr;
    if (result) {
      *result = pointer;
      // Whatever the call does next, this object is not freed under it.
      if (CallScope *scope = CallScope::current(); scope && native) scope->use(native);
    }
    return kOk;
  }
  if (implicit) {
    int status = implicitConversion(object, result, type, own);
    if (succeeded(status)) return status;
    if (object == Py_None) {
      PyErr_Clear();
      if (result) *result = nullptr;
      return kOk;
    }
  }
  return kError;
}

}  // namespace tarn::rt
