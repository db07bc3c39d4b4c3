// Immutable byte buffers.
#include <dispatch/dispatch.h>

#include <cstdlib>
#include <cstring>

#include "DispatchObject.h"

struct dispatch_data_s : dispatch_object_s {
  ~dispatch_data_s() override { std::free(bytes); }
  void* bytes = nullptr;
  size_t size = 0;
};

extern "C" {

void _dispatch_data_destructor_free(void) {}

dispatch_data_t dispatch_data_create(const void* buffer, size_t size, dispatch_queue_t, dispatch_block_t destructor) {
  if (!buffer && size > 0) return nullptr;
  auto* d = new (std::nothrow) dispatch_data_s;
  if (!d) return nullptr;
  if (destructor == DISPATCH_DATA_DESTRUCTOR_FREE) {
    d->bytes = const_cast<void*>(buffer);
  } else if (size > 0) {
    d->bytes = std::malloc(size);
    if (!d->bytes) {
      delete d;
      return nullptr;
    }
    std::memcpy(d->bytes, buffer, size);
  }
  d->size = size;
  return d;
}

size_t dispatch_data_get_size(dispatch_data_t data) { return data ? data->size : 0; }

dispatch_data_t dispatch_data_create_map(dispatch_data_t data, const void** buffer, size_t* size) {
  if (buffer) *buffer = data ? data->bytes : nullptr;
  if (size) *size = data ? data->size : 0;
  dispatch_retain(data);
  return data;
}

}  // extern "C"
