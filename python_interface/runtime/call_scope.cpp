#include "runtime/call_scope.h"

#include <algorithm>
#include <stdexcept>

namespace tarn::rt {
namespace {

// Scopes are made and ended with the interpreter lock held, so the list of
// all active scopes needs no lock of its own; the innermost scope is per
// thread.
thread_local CallScope *tCurrent __attribute__((tls_model("initial-exec"))) = nullptr;

struct Deferred {
  void *object;
  void (*deleter)(void *);
};
std::vector<Deferred> *gDeferred = nullptr;  // never freed: deletions may come late at shutdown

}  // namespace

struct ActiveScopes {
  static inline CallScope *head = nullptr;

  static void link(CallScope *scope) noexcept {
    scope->previous_ = nullptr;
    scope->next_ = head;
    if (head) head->previous_ = scope;
    head = scope;
  }
  static void unlink(CallScope *scope) noexcept {
    if (scope->previous_)
      scope->previous_->next_ = scope->next_;
    else
      head = scope->next_;
    if (scope->next_) scope->next_->previous_ = scope->previous_;
  }
};

CallScope::CallScope() noexcept : outer_(tCurrent) {
  ActiveScopes::link(this);
  tCurrent = this;
}

CallScope::~CallScope() {
  ActiveScopes::unlink(this);
  tCurrent = outer_;
  const bool releases = keptCount_ > 0 || !buffers_.empty() || (gDeferred && !gDeferred->empty());
  if (!releases) return;
  // What the releases run (destructors, __del__ methods) must not disturb the
  // error the wrapper is about to return.
  PyObject *type, *value, *traceback;
  PyErr_Fetch(&type, &value, &traceback);
  buffers_.clear();
  for (size_t i = 0; i < keptCount_; ++i) Py_DECREF(kept_[i]);
  if (moreKept_)
    for (PyObject *object : *moreKept_) Py_DECREF(object);
  if (gDeferred && !gDeferred->empty()) {
    std::vector<Deferred> ready;
    auto free = std::stable_partition(gDeferred->begin(), gDeferred->end(),
                                      [](const Deferred &d) { return inUse(d.object); });
    ready.assign(free, gDeferred->end());
    gDeferred->erase(free, gDeferred->end());
    for (const Deferred &d : ready) d.deleter(d.object);
  }
  PyErr_Restore(type, value, traceback);
}

CallScope *CallScope::current() noexcept { return tCurrent; }

void CallScope::keep(PyObject *object) {
  if (keptCount_ < kInline) {
    kept_[keptCount_++] = object;
    return;
  }
  if (!moreKept_) moreKept_ = std::make_unique<std::vector<PyObject *>>();
  moreKept_->push_back(object);
}

void CallScope::use(const void *address) {
  if (!address) return;
  for (size_t i = 0; i < usedCount_; ++i)
    if (used_[i] == address) return;
  if (usedCount_ < kInline) {
    used_[usedCount_++] = address;
    return;
  }
  if (!moreUsed_) moreUsed_ = std::make_unique<std::vector<const void *>>();
  moreUsed_->push_back(address);
}

bool CallScope::uses(const void *address) const noexcept {
  for (size_t i = 0; i < usedCount_; ++i)
    if (used_[i] == address) return true;
  return moreUsed_ && std::find(moreUsed_->begin(), moreUsed_->end(), address) != moreUsed_->end();
}

bool inUse(const void *address, const CallScope *except) noexcept {
  for (const CallScope *scope = ActiveScopes::head; scope; scope = scope->next_)
    if (scope != except && scope->uses(address)) return true;
  return false;
}

std::shared_ptr<void> CallScope::holdBuffer(const Py_buffer &view) {
  // The last owner may go away on any thread (an image freed inside a call
  // that released the lock): the release takes the lock itself.
  std::shared_ptr<Py_buffer> held(new Py_buffer(view), [](Py_buffer *export_) {
    if (Py_IsInitialized()) {
      PyGILState_STATE state = PyGILState_Ensure();
      PyBuffer_Release(export_);
      PyGILState_Release(state);
    }
    delete export_;
  });
  buffers_.push_back(held);
  return held;
}

std::shared_ptr<void> CallScope::bufferHolding(const void *address) const {
  const char *at = static_cast<const char *>(address);
  for (const auto &held : buffers_) {
    const char *begin = static_cast<const char *>(held->buf);
    if (at && at >= begin && at < begin + held->len) return held;
  }
  return nullptr;
}

void destroyNative(void *object, void (*deleter)(void *)) {
  if (!inUse(object)) {
    deleter(object);
    return;
  }
  if (!gDeferred) gDeferred = new std::vector<Deferred>();
  gDeferred->push_back({object, deleter});
}

void checkResizable(const void *vector) {
  if (inUse(vector, CallScope::current()))
    throw std::runtime_error("the vector cannot change its size while another call works with it or its elements");
}

}  // namespace tarn::rt
