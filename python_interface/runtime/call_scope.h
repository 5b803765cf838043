// Call scopes: what a wrapper call holds on to while it runs.
//
// A wrapper converts its arguments one after another, and a conversion can
// run Python code: a "this" property, a sequence's __len__, a slice's
// __index__, an implicit conversion through a proxy class, the creation of a
// result's proxy instance. While the interpreter lock is released around a
// long call, other threads run Python code too. That code may drop, delete or
// resize what the call has already converted. The scope makes this safe:
//
//  - it holds a strong reference to every wrapped object the call found, so a
//    "this" made fresh for the lookup lives as long as the call;
//  - it records the native objects the call works on, the vectors owning the
//    elements among them included. Deleting such an object (delete_<Class>,
//    the end of its owning wrapped object, a move) is deferred until the last
//    call using it has ended (destroyNative), and a vector in use by another
//    call refuses to change its size (checkResizable).
//
// Every wrapper opens one scope before it converts anything; scopes nest
// when Python code run by a conversion calls another wrapper. All scope
// bookkeeping happens with the interpreter lock held.
#pragma once

#include <Python.h>

#include <cstddef>
#include <memory>
#include <vector>

namespace tarn::rt {

class CallScope;
bool inUse(const void *address, const CallScope *except) noexcept;

class CallScope {
 public:
  CallScope() noexcept;
  ~CallScope();
  CallScope(const CallScope &) = delete;
  CallScope &operator=(const CallScope &) = delete;

  // The innermost scope of the calling thread, or nullptr outside wrappers.
  static CallScope *current() noexcept;

  // Keeps `object` alive until the scope ends (takes a new reference).
  void keep(PyObject *object);
  // Records that the call works on the native object at `address`.
  void use(const void *address);

  bool uses(const void *address) const noexcept;

  // Holds a Python buffer export until the scope ends, or longer for the
  // results that share the returned owner: while exported, the buffer's
  // object can neither resize nor free its memory.
  std::shared_ptr<void> holdBuffer(const Py_buffer &view);
  bool holdsBuffers() const noexcept { return !buffers_.empty(); }
  // The owner of a held export whose memory contains `address`, or null.
  std::shared_ptr<void> bufferHolding(const void *address) const;

 private:
  static constexpr size_t kInline = 6;
  friend struct ActiveScopes;
  friend bool inUse(const void *address, const CallScope *except) noexcept;

  CallScope *outer_;               // the thread's enclosing scope
  CallScope *previous_, *next_;    // all active scopes, every thread
  PyObject *kept_[kInline];
  const void *used_[kInline];
  size_t keptCount_ = 0, usedCount_ = 0;
  std::unique_ptr<std::vector<PyObject *>> moreKept_;
  std::unique_ptr<std::vector<const void *>> moreUsed_;
  std::vector<std::shared_ptr<Py_buffer>> buffers_;
};

// Whether any active call other than `except` works on `address`.
inline bool inUse(const void *address) noexcept { return inUse(address, nullptr); }

// Deletes a native object now, or when the last call using it has ended.
void destroyNative(void *object, void (*deleter)(void *));

template <class T>
void destroy(T *object) {
  if (object) destroyNative(object, [](void *p) { delete static_cast<T *>(p); });
}

// For operations that change a vector's size or storage: throws
// std::runtime_error when a call other than the current one uses the vector
// or one of its elements, whose addresses the change would invalidate.
void checkResizable(const void *vector);

}  // namespace tarn::rt
