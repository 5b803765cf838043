#include "runtime/iterators.h"

#include <limits>
#include <memory>

#include "runtime/borrowed_object.h"
#include "runtime/wrapped_object.h"

namespace swig {
namespace {

// Reference counts of the container may change on any thread that destroys
// or copies an iterator, so each change takes the interpreter lock.
class InterpreterLock {
 public:
  InterpreterLock() : state_(PyGILState_Ensure()) {}
  ~InterpreterLock() { PyGILState_Release(state_); }
  InterpreterLock(const InterpreterLock &) = delete;
  InterpreterLock &operator=(const InterpreterLock &) = delete;

 private:
  PyGILState_STATE state_;
};

size_t magnitude(ptrdiff_t n) { return n < 0 ? static_cast<size_t>(-(n + 1)) + 1 : static_cast<size_t>(n); }

}  // namespace

SwigPyIterator::SwigPyIterator(PyObject *container, Hold hold) : held_(nullptr), weak_(false) {
  if (!container) return;
  InterpreterLock lock;
  if (hold == Hold::Watch) {
    held_ = PyWeakref_NewRef(container, nullptr);
    weak_ = held_ != nullptr;
    if (!weak_) PyErr_Clear();  // not weakly referenceable: hold it instead
  }
  if (!held_) {
    Py_INCREF(container);
    held_ = container;
  }
}

SwigPyIterator::SwigPyIterator(const SwigPyIterator &other) : held_(other.held_), weak_(other.weak_) {
  InterpreterLock lock;
  Py_XINCREF(held_);
}

SwigPyIterator::~SwigPyIterator() {
  if (!held_) return;
  InterpreterLock lock;
  Py_DECREF(held_);
}

PyObject *SwigPyIterator::container() const {
  if (!weak_) return held_;
  PyObject *target = PyWeakref_GetObject(held_);
  return target == Py_None ? nullptr : target;
}

SwigPyIterator *SwigPyIterator::decr(size_t) { throw stop_iteration(); }

ptrdiff_t SwigPyIterator::distance(const SwigPyIterator &) const {
  throw std::invalid_argument("operation not supported");
}

bool SwigPyIterator::equal(const SwigPyIterator &) const { throw std::invalid_argument("operation not supported"); }

PyObject *SwigPyIterator::next() {
  InterpreterLock lock;
  PyObject *result = value();
  try {
    incr();
  } catch (...) {
    Py_DECREF(result);
    throw;
  }
  return result;
}

PyObject *SwigPyIterator::previous() {
  decr();
  return value();
}

SwigPyIterator *SwigPyIterator::advance(ptrdiff_t n) { return n > 0 ? incr(magnitude(n)) : decr(magnitude(n)); }

SwigPyIterator *SwigPyIterator::retreat(ptrdiff_t n) { return n < 0 ? incr(magnitude(n)) : decr(magnitude(n)); }

ptrdiff_t moved(ptrdiff_t position, size_t n, bool forward) {
  constexpr size_t kLimit = static_cast<size_t>(std::numeric_limits<ptrdiff_t>::max());
  ptrdiff_t result = 0;
  bool overflow = n > kLimit || (forward ? __builtin_add_overflow(position, static_cast<ptrdiff_t>(n), &result)
                                         : __builtin_sub_overflow(position, static_cast<ptrdiff_t>(n), &result));
  if (overflow) throw std::overflow_error("iterator moved beyond any vector");
  return result;
}

}  // namespace swig

namespace tarn::rt {

TypeInfo *iteratorType() {
  static TypeInfo *type = lookupType("swig::SwigPyIterator *");
  return type;
}

PyObject *ownedIterator(swig::SwigPyIterator *iterator) {
  std::unique_ptr<swig::SwigPyIterator> owner(iterator);
  PyObject *result = newResultObject(iterator, iteratorType(), kOwn);
  if (result) owner.release();
  return result;
}

PyObject *sameIterator(PyObject *self) {
  return newBorrowedResult(iteratorType(), self, iteratorType(), 0, ownerItself);
}

PyObject *takeOverIterator(PyObject *self, swig::SwigPyIterator *iterator) {
  WrappedObject *wrapped = wrappedObjectOf(self);
  // Only an owner can hand ownership on; a borrowed self stays borrowed.
  if (!wrapped || !wrapped->own) return sameIterator(self);
  PyObject *heir = newBareObject(iterator, iteratorType(), 1);
  if (!heir) return nullptr;
  Py_INCREF(heir);
  PyObject *result = resultFor(heir, iteratorType(), kOwn);
  // `self` keeps the heir alive: dropping the result (it.__iadd__(n)
  // without rebinding) must not free the iterator `self` still names.
  if (result) handOwnershipTo(wrapped, heir);
  Py_DECREF(heir);
  return result;
}

PyObject *movedCopy(const swig::SwigPyIterator &iterator, ptrdiff_t n, bool forward) {
  std::unique_ptr<swig::SwigPyIterator> copy(iterator.copy());
  if (forward)
    copy->advance(n);
  else
    copy->retreat(n);
  return ownedIterator(copy.release());
}

}  // namespace tarn::rt
