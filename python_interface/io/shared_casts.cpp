// Up-casts of shared encoder and container handles for the type registry: a
// new shared handle of the base type that shares ownership with the source.
#include <memory>

#include "io/codecs.h"
#include "runtime/type_registry.h"
#include "runtime/type_table.h"

namespace tarn::rt {
namespace {

template <class Base, class Derived>
void *upcast(void *pointer, int *newMemory) {
  *newMemory = kNewMemory;
  return new std::shared_ptr<Base>(*static_cast<std::shared_ptr<Derived> *>(pointer));
}

}  // namespace

void *sharedContainerUpcast(void *pointer, int *newMemory) {
  return upcast<lux::container::IContainer, lux::container::AVIContainer>(pointer, newMemory);
}

void *sharedEncoderUpcast(void *pointer, int *newMemory) {
  return upcast<lux::encoder::IEncoder, lux::encoder::MJPEGEncoder>(pointer, newMemory);
}

}  // namespace tarn::rt
