// Iterators over the sequence containers, handed to Python as SwigPyIterator.
//
// One adapter hierarchy serves every container and both directions.  An
// adapter never holds an address into a vector: it keeps the container's
// Python object (bounded iterators hold it, unbounded ones only watch it
// through a weak reference when it allows one) and a position, and finds the
// vector anew through the registry on every use.  So an iterator over a
// vector that reallocated or shrank, or that no longer exists, gives an
// error and never reads outside the vector:
//  - reading a position outside the current elements ends the iteration
//    (StopIteration), for bounded and unbounded iterators alike;
//  - an iterator whose container object is gone raises ValueError.
#pragma once

#include <Python.h>

#include <cstddef>
#include <stdexcept>
#include <typeinfo>

#include "runtime/type_registry.h"

namespace swig {

// Signals the end of an iteration (StopIteration in Python).
struct stop_iteration {};

class SwigPyIterator {
 public:
  SwigPyIterator &operator=(const SwigPyIterator &) = delete;
  virtual ~SwigPyIterator();

  virtual PyObject *value() const = 0;
  virtual SwigPyIterator *incr(size_t n = 1) = 0;
  virtual SwigPyIterator *decr(size_t n = 1);
  virtual ptrdiff_t distance(const SwigPyIterator &x) const;
  virtual bool equal(const SwigPyIterator &x) const;
  virtual SwigPyIterator *copy() const = 0;

  // The current value, then one step forward.
  PyObject *next();
  // One step back, then the value there.
  PyObject *previous();
  SwigPyIterator *advance(ptrdiff_t n);
  // advance(-n), also for the most negative n.
  SwigPyIterator *retreat(ptrdiff_t n);

 protected:
  enum class Hold { Keep, Watch };
  SwigPyIterator(PyObject *container, Hold hold);
  SwigPyIterator(const SwigPyIterator &other);

  // The container's Python object (borrowed), or nullptr once a watched
  // container has died.
  PyObject *container() const;

 private:
  PyObject *held_;  // the container itself, or a weak reference to it
  bool weak_;
};

// Positions are kept in the direction of travel: a step forward is +1.
struct Forward {
  static ptrdiff_t index(ptrdiff_t position) { return position; }
  static ptrdiff_t position(ptrdiff_t index) { return index; }
};
// A reverse position names the element before its base, as a reverse
// iterator does; the base is stored negated so that forward stays +1.
struct Reverse {
  static ptrdiff_t index(ptrdiff_t position) { return -position - 1; }
  static ptrdiff_t position(ptrdiff_t base) { return -base; }
};

// Moves a position by n steps; positions far outside any vector are refused
// rather than overflowing.
ptrdiff_t moved(ptrdiff_t position, size_t n, bool forward);

// `Ops` is the container's VectorOps (containers.h): its vector type, how to
// find the vector behind a Python object and how to convert an element.
template <class Ops, class Direction>
class SwigPyIterator_T : public SwigPyIterator {
 public:
  using Vector = typename Ops::Vector;

  ptrdiff_t distance(const SwigPyIterator &x) const override {
    const SwigPyIterator_T &other = peer(x);
    if (&other.vector() != &vector()) throw std::invalid_argument("iterators of different vectors");
    return other.current - current;
  }
  bool equal(const SwigPyIterator &x) const override {
    const SwigPyIterator_T &other = peer(x);
    return &other.vector() == &vector() && other.current == current;
  }

  // The vector iterated over; ValueError once its container is gone.
  Vector &vector() const {
    PyObject *owner = container();
    Vector *found = owner ? Ops::vectorOf(owner) : nullptr;
    if (!found) throw std::invalid_argument("the vector of this iterator no longer exists");
    return *found;
  }
  ptrdiff_t index() const { return Direction::index(current); }

 protected:
  SwigPyIterator_T(ptrdiff_t position, PyObject *container, Hold hold)
      : SwigPyIterator(container, hold), current(position) {}

  // Iterators compare only with iterators of exactly their own kind: a
  // bounded one (<C>_iterator) is not comparable with an unbounded one
  // (<C>_begin) of the same vector.
  const SwigPyIterator_T &peer(const SwigPyIterator &x) const {
    if (typeid(x) != typeid(*this)) throw std::invalid_argument("bad iterator type");
    return static_cast<const SwigPyIterator_T &>(x);
  }

  PyObject *valueAt(ptrdiff_t position) const {
    const Vector &elements = vector();
    ptrdiff_t i = Direction::index(position);
    if (i < 0 || static_cast<size_t>(i) >= elements.size()) throw stop_iteration();
    return Ops::copyOut(elements[static_cast<size_t>(i)]);
  }

  ptrdiff_t current;
};

// Unbounded: moves freely; reading outside the vector ends the iteration.
template <class Ops, class Direction>
class SwigPyForwardIteratorOpen_T : public SwigPyIterator_T<Ops, Direction> {
 public:
  SwigPyForwardIteratorOpen_T(ptrdiff_t position, PyObject *container)
      : SwigPyIterator_T<Ops, Direction>(position, container, SwigPyIterator::Hold::Watch) {}

  PyObject *value() const override { return this->valueAt(this->current); }
  SwigPyIterator *incr(size_t n = 1) override {
    this->current = moved(this->current, n, true);
    return this;
  }
  SwigPyIterator *copy() const override { return new SwigPyForwardIteratorOpen_T(*this); }
};

template <class Ops, class Direction>
class SwigPyIteratorOpen_T : public SwigPyForwardIteratorOpen_T<Ops, Direction> {
 public:
  using SwigPyForwardIteratorOpen_T<Ops, Direction>::SwigPyForwardIteratorOpen_T;

  SwigPyIterator *decr(size_t n = 1) override {
    this->current = moved(this->current, n, false);
    return this;
  }
  SwigPyIterator *copy() const override { return new SwigPyIteratorOpen_T(*this); }
};

// Bounded: stays within [begin, end] as they were when it was made.
template <class Ops, class Direction>
class SwigPyForwardIteratorClosed_T : public SwigPyIterator_T<Ops, Direction> {
 public:
  SwigPyForwardIteratorClosed_T(ptrdiff_t position, ptrdiff_t first, ptrdiff_t last, PyObject *container)
      : SwigPyIterator_T<Ops, Direction>(position, container, SwigPyIterator::Hold::Keep), begin(first), end(last) {}

  PyObject *value() const override {
    if (this->current == end) throw stop_iteration();
    return this->valueAt(this->current);
  }
  // Steps made before the end was reached stay made.
  SwigPyIterator *incr(size_t n = 1) override {
    size_t room = static_cast<size_t>(end - this->current);
    this->current += static_cast<ptrdiff_t>(n < room ? n : room);
    if (n > room) throw stop_iteration();
    return this;
  }
  SwigPyIterator *copy() const override { return new SwigPyForwardIteratorClosed_T(*this); }

 protected:
  ptrdiff_t begin;
  ptrdiff_t end;
};

template <class Ops, class Direction>
class SwigPyIteratorClosed_T : public SwigPyForwardIteratorClosed_T<Ops, Direction> {
 public:
  using SwigPyForwardIteratorClosed_T<Ops, Direction>::SwigPyForwardIteratorClosed_T;

  SwigPyIterator *decr(size_t n = 1) override {
    size_t room = static_cast<size_t>(this->current - this->begin);
    this->current -= static_cast<ptrdiff_t>(n < room ? n : room);
    if (n > room) throw stop_iteration();
    return this;
  }
  SwigPyIterator *copy() const override { return new SwigPyIteratorClosed_T(*this); }
};

}  // namespace swig

namespace tarn::rt {

// The descriptor iterators are wrapped under ("swig::SwigPyIterator *").
TypeInfo *iteratorType();

inline PyObject *notImplemented() { Py_RETURN_NOTIMPLEMENTED; }

// A new owning wrapped iterator; the iterator is deleted if that fails.
PyObject *ownedIterator(swig::SwigPyIterator *iterator);
// `self` again, as a non-owning result that keeps `self` alive.
PyObject *sameIterator(PyObject *self);
// `self` again, taking over its ownership (the in-place operators).
PyObject *takeOverIterator(PyObject *self, swig::SwigPyIterator *iterator);
// A copy of `iterator` moved n steps forward (or back).
PyObject *movedCopy(const swig::SwigPyIterator &iterator, ptrdiff_t n, bool forward);

}  // namespace tarn::rt
