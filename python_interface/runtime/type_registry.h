// Type descriptors, the process-wide type list and pointer conversion.
//
// Every native type that crosses into Python as a pointer has one descriptor.
// The module's descriptors form a table sorted by mangled name; each keeps a
// cast list of the types whose pointers convert to it.  The table is joined to
// a list shared with other extension modules of the same runtime generation
// through a named capsule, so that a wrapped object made by one module is
// recognised by another.  The record layouts below are shared through that
// capsule and must not change.
#pragma once

#include <Python.h>

#include <cstddef>

namespace tarn::rt {

struct TypeInfo;
struct ClassData;

// Converts a pointer of a source type into one of the cast list owner's type;
// sets *newMemory to kNewMemory when it allocated the result.
using CastConverter = void *(*)(void *pointer, int *newMemory);
constexpr int kNewMemory = 2;

struct CastEntry {
  TypeInfo *type;
  CastConverter converter;
  CastEntry *next;
  CastEntry *prev;
};

struct TypeInfo {
  const char *name;         // mangled name, unique key ("_p_tarn__lux__Image")
  const char *prettyName;   // '|'-separated source spellings ("tarn::lux::Image *")
  void *dynamicCast;        // unused; keeps the shared layout
  CastEntry *cast;          // head of the cast list
  ClassData *clientData;    // class data of the registered proxy class
  int ownsClientData;       // set by <Class>_swigregister
};

struct ModuleRecord {
  TypeInfo **types;
  size_t size;
  ModuleRecord *next;
  TypeInfo **typeInitial;
  CastEntry **castInitial;
  void *clientData;
};

// Conversion flags.
constexpr int kDisown = 0x1;
constexpr int kImplicitConversion = 0x2;
constexpr int kNoNull = 0x4;
constexpr int kClear = 0x8;
constexpr int kRelease = kDisown | kClear;

// Conversion statuses.
constexpr int kOk = 0;
constexpr int kError = -1;
constexpr int kTypeError = -5;
constexpr int kOverflowError = -7;
constexpr int kValueError = -9;
constexpr int kNullReference = -13;
constexpr int kStaleReference = -4;  // a borrowed object whose element is gone (borrowed_object.h)
constexpr int kNotOwned = -200;
constexpr int kNewObjectBit = 512;

inline bool succeeded(int status) { return status >= 0; }
inline bool isNewObject(int status) { return status >= 0 && (status & kNewObjectBit); }

// The descriptor table of this module: `types()[i]` serves index i after
// initialisation (possibly a descriptor of another module with the same name).
TypeInfo **types();

// Builds the cast lists and joins the process-wide type list.
void initializeRegistry();

// Descriptor by mangled name or pretty spelling (blanks ignored), cached.
TypeInfo *lookupType(const char *name);

// Finds the cast entry of `from` in `to`'s cast list and moves it to the head.
CastEntry *castCheck(TypeInfo *from, TypeInfo *to);

// Converts a Python object to a native pointer of `type` (nullptr: any type).
int convertPointer(PyObject *object, void **result, TypeInfo *type, int flags, int *own = nullptr);

// The display name: the last pretty spelling, else the mangled name.
const char *displayName(const TypeInfo *type);

// Reference to the shared capsule that owning wrapped objects hold.
PyObject *sharedCapsule();

// The "this" attribute name.
PyObject *thisName();

}  // namespace tarn::rt
